// Failing guards report to the callbacks of their thread; the boundary logs a failed call's first one.
#include <gtest/gtest.h>
#include "api/Kelm.h"
#include "platform/Environment.h"
#include "util/AutoTypes.h"

namespace kelm {
namespace {
HRESULT Step(HRESULT status) { return status; }
constexpr int kFirstGuard = __LINE__ + 2;
HRESULT Guarded(HRESULT status, const void* pointer, bool refuse) {
    RETURN_HR_IF_NULL(E_POINTER, pointer);
    RETURN_HR_IF(S_FALSE, refuse && status == S_OK);  // a success leaves no report
    RETURN_HR_IF(E_INVALIDARG, refuse);
    RETURN_IF_FAILED(Step(status));
    return S_OK;
}
TEST(Failures, GuardsReportWhereTheyFailedToEveryScopeInnermostFirst) {
    std::vector<std::string> outer, inner;
    FailureCallbackScope outerScope([&](const FailureInfo& f) { outer.push_back(DescribeFailure(f)); });
    const int line = kFirstGuard;
    {
        FailureCallbackScope innerScope([&](const FailureInfo& f) {
            EXPECT_TRUE(outer.size() == inner.size()) << "the inner scope comes first";
            inner.push_back(DescribeFailure(f));
        });
        EXPECT_EQ(Guarded(S_OK, &line, false), S_OK);
        EXPECT_EQ(Guarded(S_OK, &line, true), S_FALSE);
        EXPECT_EQ(inner.size(), 0u);
        EXPECT_EQ(Guarded(S_OK, nullptr, false), E_POINTER);
        EXPECT_EQ(Guarded(E_FAIL, &line, true), E_INVALIDARG);
        EXPECT_EQ(Guarded(KELM_E_IO, &line, false), KELM_E_IO);
    }
    EXPECT_EQ(Guarded(E_OUTOFMEMORY, &line, false), E_OUTOFMEMORY);  // the inner scope is gone
    const std::string file = "tests/util/failures_test.cpp(";
    EXPECT_EQ(inner, (std::vector<std::string>{
                         file + std::to_string(line) + "): 0x80004003 from pointer is null",
                         file + std::to_string(line + 2) + "): 0x80070057 from refuse",
                         file + std::to_string(line + 3) + "): 0x80041007 from Step(status)"}));
    ASSERT_EQ(outer.size(), 4u);
    EXPECT_EQ(outer.back(), file + std::to_string(line + 3) + "): 0x8007000E from Step(status)");
}

#if !defined(_WIN32)  // there the line goes to the debugger
TEST(Failures, AFailedCallNamesItsFirstFailingGuardInOneDebugLine) {
    platform::SetEnvironmentForTesting(
        [](const std::string& name) { return name == "KELM_TRACE" ? std::optional<std::string>("1") : std::nullopt; });
    ComPtr<IKelm> kelm;
    ASSERT_EQ(CKelm::CreateInstance(nullptr, IID_IKelm, kelm.OutVoid()), S_OK);
    BSTR name = nullptr;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(kelm->GetSearchScheme_Default(&name), E_FAIL);
    EXPECT_EQ(kelm->Kelmstore_Close(), S_OK);
    const std::string written = ::testing::internal::GetCapturedStderr();
    platform::SetEnvironmentForTesting({});
    const std::string line = "KelmAPI: call failed with 0x80004005; first failure at src/query/SearchSchemes.cpp(";
    const auto at = written.find(line);
    ASSERT_NE(at, std::string::npos) << written;
    EXPECT_NE(written.find("): 0x80004005 from !(session).IsOpen()\n", at), std::string::npos) << written;
    EXPECT_EQ(written.find(line, at + 1), std::string::npos) << "one line a failed call";
    ::testing::internal::CaptureStderr();  // without KELM_TRACE nothing is written
    EXPECT_EQ(kelm->GetSearchScheme_Default(&name), E_FAIL);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}
#endif
}  // namespace
}  // namespace kelm
