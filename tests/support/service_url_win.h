// The address of the service the program talks to, as the tests move it: the
// program reads KESTRO_SERVICE_URL each time it builds a request.
#pragma once

#include <string>

#include <gtest/gtest.h>

namespace kestro::test {

// Points KESTRO_SERVICE_URL at `baseUrl` until restore() or the end of the object.
class ServiceUrlOverride {
 public:
  explicit ServiceUrlOverride(const std::wstring& baseUrl);
  ~ServiceUrlOverride() { restore(); }
  ServiceUrlOverride(const ServiceUrlOverride&) = delete;
  ServiceUrlOverride& operator=(const ServiceUrlOverride&) = delete;

  void restore();

 private:
  std::string previous_;
  bool hadPrevious_ = false;
};

// A loopback address where nothing listens: a stopped service.
std::wstring stoppedServiceUrl();

// Whether the reference service that scripts/test starts answers at the
// address the program uses; the failure says where it was looked for.
testing::AssertionResult referenceServiceAnswers();

}  // namespace kestro::test
