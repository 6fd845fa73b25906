// The host suites the plug-in acquires through the host's basic suite. They
// are acquired at first use and kept until the next release point.
#pragma once

#include "plugin/host_api.h"

namespace dorv::plugin {

class HostSuites {
 public:
  constexpr HostSuites() = default;
  HostSuites(const HostSuites&) = delete;
  HostSuites& operator=(const HostSuites&) = delete;
  ~HostSuites() { ReleaseAll(); }

  // The basic suite of the current call; null when the host gives none.
  void SetBasicSuite(host_api::SPBasicSuite* basic) { basic_ = basic; }

  // The handle suite, acquired now if it is not yet; null when the host
  // cannot provide it.
  const host_api::HandleSuite2* HandleSuite();

  // Releases every acquired suite through the basic suite that gave it.
  void ReleaseAll();

 private:
  host_api::SPBasicSuite* basic_ = nullptr;
  host_api::SPBasicSuite* handleSuiteOwner_ = nullptr;
  const host_api::HandleSuite2* handleSuite_ = nullptr;
};

}  // namespace dorv::plugin
