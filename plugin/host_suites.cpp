#include "plugin/host_suites.h"

namespace dorv::plugin {

using namespace host_api;

const HandleSuite2* HostSuites::HandleSuite() {
  if (handleSuite_ != nullptr) return handleSuite_;
  if (basic_ == nullptr || basic_->AcquireSuite == nullptr) return nullptr;
  const void* suite = nullptr;
  if (basic_->AcquireSuite(kHandleSuiteName, kHandleSuiteVersion2, &suite) != 0 ||
      suite == nullptr)
    return nullptr;
  handleSuite_ = static_cast<const HandleSuite2*>(suite);
  handleSuiteOwner_ = basic_;
  return handleSuite_;
}

void HostSuites::ReleaseAll() {
  if (handleSuite_ == nullptr) return;
  if (handleSuiteOwner_ != nullptr && handleSuiteOwner_->ReleaseSuite != nullptr)
    handleSuiteOwner_->ReleaseSuite(kHandleSuiteName, kHandleSuiteVersion2);
  handleSuite_ = nullptr;
  handleSuiteOwner_ = nullptr;
}

}  // namespace dorv::plugin
