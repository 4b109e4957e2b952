#include "vcl/FrontEnd.h"

#include <cstdlib>
#include <iostream>
#include <string_view>

#include "vcl/ConsoleFrontEnd.h"

namespace vcl {

namespace {

FrontEndFactory& QtFactory() {
  static FrontEndFactory factory = nullptr;
  return factory;
}

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

[[noreturn]] void Refuse(const std::string& why) {
  std::cerr << "quorvel: " << why << '\n';
  std::exit(2);
}

}  // namespace

bool RegisterQtFrontEnd(FrontEndFactory factory) {
  QtFactory() = factory;
  return true;
}

std::unique_ptr<FrontEnd> CreateHostFrontEnd() {
  const char* chosen = std::getenv("QUORVEL_UI");
  const std::string_view ui = chosen != nullptr ? chosen : "";
  bool qt = false;
  if (ui == "qt") {
    if (QtFactory() == nullptr) Refuse("QUORVEL_UI=qt, but this build has no Qt front-end");
    qt = true;
  } else if (ui.empty()) {
    qt = QtFactory() != nullptr && (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"));
  } else if (ui != "console") {
    Refuse("QUORVEL_UI must be console or qt, not " + std::string(ui));
  }
  if (qt) return QtFactory()();
  return std::make_unique<ConsoleFrontEnd>(std::cin, std::cout);
}

}  // namespace vcl
