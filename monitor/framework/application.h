// The monitor's application object: module instance, arguments, common controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tral::ui {

// Does all its work in InitInstance; there is no message loop of its own: the main window runs its
// own modal loop inside InitInstance, and the process ends when InitInstance returns.
class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Runs InitInstance and returns the process exit code (nothing reads it).
  int Run(HINSTANCE instance);

  static Application* Current() { return current_; }
  // The module the resources come from.
  static HINSTANCE Instance();
  // The program's name, the caption of the stock messages.
  static const char* Name() { return "TraldenView"; }
  // The arguments after the program name, as the C runtime split the command line.
  static std::vector<std::string> Arguments();

 protected:
  virtual bool InitInstance() = 0;

 private:
  static Application* current_;
  HINSTANCE instance_ = nullptr;
};

// Registers every common control class the monitor's windows use: date pickers, up-down controls,
// the standard classes and tooltips. Needed on Windows before the first dialog with such a control.
bool InitCommonControlsForMonitor();

}  // namespace tral::ui
