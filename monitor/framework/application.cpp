// The application object and common-controls registration.
#include "monitor/framework/application.h"

#include <commctrl.h>
#include <stdlib.h>

namespace tral::ui {

Application* Application::current_ = nullptr;

Application::Application(std::string name) : name_(std::move(name)) { current_ = this; }

Application::~Application() {
  if (current_ == this) current_ = nullptr;
}

int Application::Run(HINSTANCE instance) {
  instance_ = instance;
  InitInstance();
  return 0;
}

HINSTANCE Application::Instance() {
  if (current_ != nullptr && current_->instance_ != nullptr) return current_->instance_;
  return ::GetModuleHandleA(nullptr);
}

const std::string& Application::Name() {
  static const std::string kNone;
  return current_ != nullptr ? current_->name_ : kNone;
}

std::vector<std::string> Application::Arguments() {
  std::vector<std::string> arguments;
  for (int i = 1; i < __argc; ++i) {
    if (__argv != nullptr && __argv[i] != nullptr) arguments.emplace_back(__argv[i]);
  }
  return arguments;
}

bool InitCommonControlClasses() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_DATE_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_BAR_CLASSES;
  return ::InitCommonControlsEx(&controls) != FALSE;
}

}  // namespace tral::ui
