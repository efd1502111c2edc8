# KelmAPI.dll: the in-process automation server. The core (kelmcore) plus the
# Windows-only module sources in src/api/win: the type library compiled from
# KelmAPI.idl with widl, the resources (type library, registration scripts,
# strings, version) compiled with windres, the registrar and the entry points.
set(KELM_WIN_DIR ${CMAKE_CURRENT_SOURCE_DIR}/src/api/win)
set(KELM_GEN_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${KELM_GEN_DIR})

# ---------------------------------------------------------------- widl
find_program(KELM_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
set(KELM_WINE_IDL_DIR /usr/include/wine/wine/windows CACHE PATH "System IDL files (oaidl.idl, ...)")
set(KELM_WINE_TLB_DIR /usr/lib/x86_64-linux-gnu/wine/x86_64-windows CACHE PATH "Folder of stdole2.tlb")
set(KELM_IDL ${KELM_WIN_DIR}/KelmAPI.idl)
set(KELM_TLB ${KELM_GEN_DIR}/KelmAPI.tlb)
add_custom_command(
  OUTPUT ${KELM_GEN_DIR}/KelmAPI_h.h ${KELM_GEN_DIR}/KelmAPI_i.c ${KELM_TLB}
  COMMAND ${KELM_WIDL} -I${KELM_WINE_IDL_DIR} -h -o ${KELM_GEN_DIR}/KelmAPI_h.h ${KELM_IDL}
  COMMAND ${KELM_WIDL} -I${KELM_WINE_IDL_DIR} -u -o ${KELM_GEN_DIR}/KelmAPI_i.c ${KELM_IDL}
  COMMAND ${KELM_WIDL} -I${KELM_WINE_IDL_DIR} -L${KELM_WINE_TLB_DIR} -t -o ${KELM_TLB} ${KELM_IDL}
  DEPENDS ${KELM_IDL}
  COMMENT "Compiling the KelmAPI type library"
  VERBATIM)
add_custom_target(kelm_typelib DEPENDS ${KELM_GEN_DIR}/KelmAPI_h.h ${KELM_GEN_DIR}/KelmAPI_i.c ${KELM_TLB})

# ---------------------------------------------------------------- module
file(GLOB KELM_MODULE_SOURCES CONFIGURE_DEPENDS ${KELM_WIN_DIR}/*.cpp)
find_program(KELM_WINDRES NAMES x86_64-w64-mingw32-windres windres REQUIRED)
set(KELM_RC ${KELM_WIN_DIR}/KelmAPI.rc)
set(KELM_RC_OBJ ${KELM_GEN_DIR}/KelmAPI_rc.o)
file(GLOB KELM_RGS CONFIGURE_DEPENDS ${KELM_WIN_DIR}/*.rgs)
add_custom_command(
  OUTPUT ${KELM_RC_OBJ}
  COMMAND ${KELM_WINDRES} -I${KELM_GEN_DIR} -I${KELM_WIN_DIR} -I${CMAKE_CURRENT_SOURCE_DIR}/include
          -DKELM_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} -DKELM_VERSION_MINOR=${PROJECT_VERSION_MINOR}
          -DKELM_VERSION_PATCH=${PROJECT_VERSION_PATCH}
          ${KELM_RC} -O coff -o ${KELM_RC_OBJ}
  DEPENDS ${KELM_RC} ${KELM_RGS} ${KELM_TLB} ${KELM_WIN_DIR}/Resources.h
  COMMENT "Compiling the KelmAPI resources"
  VERBATIM)
set_source_files_properties(${KELM_RC_OBJ} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)

add_library(KelmAPI SHARED ${KELM_MODULE_SOURCES} ${KELM_RC_OBJ} ${KELM_WIN_DIR}/KelmAPI.def)
add_dependencies(KelmAPI kelm_typelib)
target_include_directories(KelmAPI PRIVATE ${KELM_GEN_DIR} ${KELM_WIN_DIR})
# All of the core goes into the module, used or not.
target_link_libraries(KelmAPI PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,kelmcore>")
kelm_set_warnings(KelmAPI)
set_target_properties(KelmAPI PROPERTIES PREFIX "" OUTPUT_NAME KelmAPI
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_link_options(KelmAPI PRIVATE -static -static-libgcc -static-libstdc++)
