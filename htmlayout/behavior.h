// Named behaviors: each is one static object; constructing it registers it at
// the head of a process-wide list that the engine's hosts search by name.
#pragma once

#include <string_view>

#include "htmlayout/event_handler.h"

namespace htmlayout {

class behavior : public event_handler {
 public:
  behavior(unsigned subscription, const char* name);
  ~behavior() override;
  behavior(const behavior&) = delete;
  behavior& operator=(const behavior&) = delete;

  // The handler for `he` of the behavior named exactly `name`, or null.
  static event_handler* find(std::string_view name, HELEMENT he);

  const char* name;
  behavior* next = nullptr;

 private:
  static behavior*& first();
};

}  // namespace htmlayout
