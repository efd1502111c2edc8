# GoogleTest for the Windows build: compiled from the Debian source package
# with the cross compiler, and the test executables run under Wine.
#
# Every test run uses one Wine prefix (KELM_WINEPREFIX, by default a folder in
# the build tree, or the WINEPREFIX of the configuring shell). The fixture
# test "wine.prefix" creates it once with wineboot; every other test requires
# it.
set(KELM_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build with MinGW")
if(DEFINED ENV{WINEPREFIX} AND NOT "$ENV{WINEPREFIX}" STREQUAL "")
  set(_kelm_default_prefix "$ENV{WINEPREFIX}")
else()
  set(_kelm_default_prefix "${CMAKE_BINARY_DIR}/wineprefix")
endif()
set(KELM_WINEPREFIX "${_kelm_default_prefix}" CACHE PATH "Wine prefix in which the Windows tests run")

set(_gt ${KELM_GTEST_SOURCE_DIR}/googletest)
set(_gm ${KELM_GTEST_SOURCE_DIR}/googlemock)

add_library(kelm_gtest STATIC ${_gt}/src/gtest-all.cc)
target_include_directories(kelm_gtest SYSTEM PUBLIC ${_gt}/include PRIVATE ${_gt})
add_library(kelm_gtest_main STATIC ${_gt}/src/gtest_main.cc)
target_link_libraries(kelm_gtest_main PUBLIC kelm_gtest)
add_library(GTest::gtest ALIAS kelm_gtest)
add_library(GTest::gtest_main ALIAS kelm_gtest_main)

add_library(kelm_gmock STATIC EXCLUDE_FROM_ALL ${_gm}/src/gmock-all.cc)
target_include_directories(kelm_gmock SYSTEM PUBLIC ${_gm}/include PRIVATE ${_gm})
target_link_libraries(kelm_gmock PUBLIC kelm_gtest)
add_library(GTest::gmock ALIAS kelm_gmock)

set(KELM_WINE_ENVIRONMENT "WINEPREFIX=${KELM_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")

# The prefix: made once per run, shared by all tests.
add_test(NAME wine.prefix
         COMMAND sh -c "test -f \"$WINEPREFIX/system.reg\" || { wineboot -i >/dev/null 2>&1; wineserver -w; }; test -f \"$WINEPREFIX/system.reg\"")
set_tests_properties(wine.prefix PROPERTIES FIXTURES_SETUP WinePrefix
                     ENVIRONMENT "${KELM_WINE_ENVIRONMENT}" TIMEOUT 300)

# Runs one GoogleTest executable under Wine as one test. The module is
# registered first (tests/windows): IDispatch comes from its type library.
function(kelm_add_wine_test name target)
  add_test(NAME ${name} COMMAND ${target} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "WinePrefix;KelmRegistered"
                       ENVIRONMENT "${KELM_WINE_ENVIRONMENT}" TIMEOUT 600 ${ARGN})
endfunction()
