// The application object: module instance, program name, arguments, common controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tral::ui {

// Does all its work in InitInstance; there is no message loop of its own: the main window runs its
// own modal loop inside InitInstance, and the process ends when InitInstance returns.
class Application {
 public:
  // `name` is the program's name: the caption of the framework's stock messages.
  explicit Application(std::string name);
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs InitInstance and returns the process exit code (nothing reads it).
  int Run(HINSTANCE instance);

  // The module the resources come from.
  static HINSTANCE Instance();
  // The running program's name, or empty when no application object exists (tests, benchmarks).
  static const std::string& Name();
  // The arguments after the program name, as the C runtime split the command line.
  static std::vector<std::string> Arguments();

 protected:
  virtual bool InitInstance() = 0;

 private:
  static Application* current_;
  std::string name_;
  HINSTANCE instance_ = nullptr;
};

// Registers every common control class the framework's windows use: date pickers, up-down
// controls, the standard classes and tooltips. Needed on Windows before the first dialog with such
// a control.
bool InitCommonControlClasses();

}  // namespace tral::ui
