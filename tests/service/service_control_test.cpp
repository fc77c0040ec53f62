// Command words of the service program and the state reported for each control.
#include <gtest/gtest.h>

#include "service/service_control.h"

namespace tral {
namespace {

TEST(ParseServiceCommand, WholeTailIgnoringCase) {
  struct Case {
    const char* tail;
    ServiceCommand command;
  };
  const Case cases[] = {
      {"installme", ServiceCommand::kInstall},
      {"INSTALLME", ServiceCommand::kInstall},
      {"InstallMe", ServiceCommand::kInstall},
      {"uninstallme", ServiceCommand::kUninstall},
      {"UNINSTALLME", ServiceCommand::kUninstall},
      {"debug", ServiceCommand::kDebug},
      {"Debug", ServiceCommand::kDebug},
      {"", ServiceCommand::kRunService},
      {"installme now", ServiceCommand::kRunService},
      {"installme ", ServiceCommand::kRunService},
      {" debug", ServiceCommand::kRunService},
      {"install", ServiceCommand::kRunService},
      {"debugx", ServiceCommand::kRunService},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseServiceCommand(c.tail), c.command) << '"' << c.tail << '"';
}

TEST(DecideControl, ReportsTheStateTheServiceIsReallyIn) {
  using S = ServiceState;
  using A = ControlAction;
  struct Case {
    S current;
    std::uint32_t control;
    A action;
    S report;
  };
  const Case cases[] = {
      {S::kRunning, kControlStop, A::kStop, S::kStopPending},
      {S::kPaused, kControlStop, A::kStop, S::kStopPending},
      {S::kRunning, kControlPause, A::kPause, S::kPaused},
      {S::kPaused, kControlContinue, A::kContinue, S::kRunning},
      // Controls that do not apply keep the recorded state: a paused service stays paused.
      {S::kPaused, kControlPause, A::kNone, S::kPaused},
      {S::kPaused, kControlInterrogate, A::kNone, S::kPaused},
      {S::kPaused, 128, A::kNone, S::kPaused},
      {S::kRunning, kControlContinue, A::kNone, S::kRunning},
      {S::kRunning, kControlInterrogate, A::kNone, S::kRunning},
      {S::kStopPending, kControlStop, A::kNone, S::kStopPending},
      {S::kStopPending, kControlPause, A::kNone, S::kStopPending},
      {S::kStopPending, kControlContinue, A::kNone, S::kStopPending},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << static_cast<int>(c.current) << " control " << c.control);
    ControlDecision d = DecideControl(c.current, c.control);
    EXPECT_EQ(d.action, c.action);
    EXPECT_EQ(d.report, c.report);
  }
}

TEST(ControlsAccepted, NoneWhileStarting) {
  EXPECT_EQ(ControlsAccepted(ServiceState::kStartPending), 0u);
  EXPECT_EQ(ControlsAccepted(ServiceState::kRunning), 3u);
  EXPECT_EQ(ControlsAccepted(ServiceState::kPaused), 3u);
  EXPECT_EQ(ControlsAccepted(ServiceState::kStopPending), 3u);
}

}  // namespace
}  // namespace tral
