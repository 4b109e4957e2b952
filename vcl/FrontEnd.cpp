#include "vcl/FrontEnd.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string_view>

#include "vcl/ConsoleFrontEnd.h"
#include "vcl/Forms.h"
#include "vcl/SysUtils.h"

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

// The Qt front-end's module, beside the program file.
constexpr const char* kQtModule = "vcl_qt.so";

struct QtLoad {
  bool loaded;
  std::string problem;  // why not, when it is not
};

// Loading the module registers its front-end. A program that has the front-end linked in
// has it registered already.
QtLoad LoadQtFrontEnd() {
  if (QtFactory() != nullptr) return {true, {}};
  const std::string path = ExtractFilePath(Application->ExeName()) + kQtModule;
  if (::access(path.c_str(), F_OK) != 0) return {false, {}};
  if (::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) == nullptr) {
    return {false, "the Qt front-end " + path + " cannot be loaded: " + ::dlerror()};
  }
  if (QtFactory() == nullptr) return {false, path + " does not make a Qt front-end known"};
  return {true, {}};
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
    const QtLoad load = LoadQtFrontEnd();
    if (!load.loaded) {
      Refuse("QUORVEL_UI=qt, but " +
             (load.problem.empty() ? std::string("this build has no Qt front-end") : load.problem));
    }
    qt = true;
  } else if (ui.empty()) {
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) {
      const QtLoad load = LoadQtFrontEnd();
      // A build without Qt draws in the terminal as it always does; a broken one says why.
      if (!load.problem.empty()) std::cerr << "quorvel: " << load.problem << "; using the console\n";
      qt = load.loaded;
    }
  } else if (ui != "console") {
    Refuse("QUORVEL_UI must be console or qt, not " + std::string(ui));
  }
  if (qt) return QtFactory()();
  return std::make_unique<ConsoleFrontEnd>(std::cin, std::cout);
}

}  // namespace vcl
