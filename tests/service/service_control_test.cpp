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

TEST(RemoveHistoryFolder, TheFolderAfterTheWord) {
  struct Case {
    const char* tail;
    const char* folder;  // "" runs the service
  };
  const Case cases[] = {
      {"removehistory \"C:\\Program Files\\TraldenMeter\\\"", "C:\\Program Files\\TraldenMeter\\"},
      {"RemoveHistory  C:\\Data ", "C:\\Data"},
      {"removehistory", ""},
      {"removehistory ", ""},
      {"removehistory \"\"", ""},
      {"removehistoryC:\\Data", ""},
      {"removehistory \"C:\\a\" \"D:\\b\"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemoveHistoryFolder(c.tail), c.folder) << c.tail;
    EXPECT_EQ(ParseServiceCommand(c.tail),
              *c.folder ? ServiceCommand::kRemoveHistory : ServiceCommand::kRunService) << c.tail;
  }
}

// A module path longer than the first buffer is read whole; one that is still cut at the longest
// path there is, or a failing call, gives nothing.
TEST(ReadWholePath, GrowsUntilThePathFitsAndRefusesACutOne) {
  for (std::size_t length : {std::size_t{10}, std::size_t{259}, std::size_t{260}, std::size_t{300},
                             std::size_t{32767}, std::size_t{32768}, std::size_t{40000}}) {
    const std::string real(length, 'p');
    int calls = 0;
    const std::string read = ReadWholePath([&](char* buffer, std::uint32_t size) {
      ++calls;
      // As GetModuleFileNameA: at most size - 1 characters and a NUL, or all `size` cut.
      const std::size_t n = real.size() < size ? real.size() : size;
      real.copy(buffer, n);
      if (n < size) buffer[n] = '\0';
      return static_cast<std::uint32_t>(n);
    });
    EXPECT_EQ(read, length < 32768 ? real : std::string()) << length;
  }
  EXPECT_EQ(ReadWholePath([](char*, std::uint32_t) { return 0u; }), "");
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
      // Shutdown and pre-shutdown take the stop's road: the system's notice of a shutdown or
      // reboot ends the service with its final save instead of killing it unsaved...
      {S::kRunning, kControlShutdown, A::kStop, S::kStopPending},
      {S::kPaused, kControlShutdown, A::kStop, S::kStopPending},
      {S::kRunning, kControlPreshutdown, A::kStop, S::kStopPending},
      {S::kPaused, kControlPreshutdown, A::kStop, S::kStopPending},
      // ... and a pre-shutdown stop followed by the shutdown notice stops once.
      {S::kStopPending, kControlShutdown, A::kNone, S::kStopPending},
      {S::kStopPending, kControlPreshutdown, A::kNone, S::kStopPending},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << static_cast<int>(c.current) << " control " << c.control);
    ControlDecision d = DecideControl(c.current, c.control);
    EXPECT_EQ(d.action, c.action);
    EXPECT_EQ(d.report, c.report);
  }
}

TEST(ControlsAccepted, NoneWhileStartingShutdownNoticesOtherwise) {
  struct Case {
    ServiceState state;
    bool preshutdown;
    std::uint32_t accepted;  // SERVICE_ACCEPT_STOP 1, PAUSE_CONTINUE 2, SHUTDOWN 4, POWEREVENT 0x40, PRESHUTDOWN 0x100
  };
  const Case cases[] = {
      {ServiceState::kStartPending, false, 0},
      {ServiceState::kStartPending, true, 0},
      {ServiceState::kRunning, false, 1 | 2 | 4 | 0x40},
      {ServiceState::kPaused, false, 1 | 2 | 4 | 0x40},
      {ServiceState::kStopPending, false, 1 | 2 | 4 | 0x40},
      {ServiceState::kRunning, true, 1 | 2 | 4 | 0x40 | 0x100},
      {ServiceState::kPaused, true, 1 | 2 | 4 | 0x40 | 0x100},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ControlsAccepted(c.state, c.preshutdown), c.accepted)
        << "state " << static_cast<int>(c.state) << " preshutdown " << c.preshutdown;
  }
}

TEST(ServiceImagePath, QuotedOnlyWithABlank) {
  struct Case {
    const char* path;
    const char* registered;
  };
  const Case cases[] = {
      {R"(C:\Program Files\Tralden\TraldenMeter.exe)", R"("C:\Program Files\Tralden\TraldenMeter.exe")"},
      {R"(C:\Tools\TraldenMeter.exe)", R"(C:\Tools\TraldenMeter.exe)"},
      {R"(Z:\a b\c d\TraldenMeter.exe)", R"("Z:\a b\c d\TraldenMeter.exe")"},
      {"C:\\Tab\there\\TraldenMeter.exe", "\"C:\\Tab\there\\TraldenMeter.exe\""},
      {R"("C:\Program Files\TraldenMeter.exe")", R"("C:\Program Files\TraldenMeter.exe")"},
  };
  for (const Case& c : cases) EXPECT_EQ(ServiceImagePath(c.path), c.registered) << c.path;
}

TEST(JudgeExistingGuard, OnlyAGuardOfOursMeansAnotherInstance) {
  using O = ObjectOwner;
  using V = GuardVerdict;
  struct Case {
    const char* name;
    O guard;
    std::optional<O> request;
    V verdict;
  };
  const Case cases[] = {
      {"the service holds it", O::kPrivileged, std::nullopt, V::kAnotherInstance},
      {"our own account's debug run holds it", O::kThisAccount, std::nullopt, V::kAnotherInstance},
      {"an ordinary program created it", O::kOtherAccount, std::nullopt, V::kSquatted},
      {"created with security we may not read", O::kUnreadable, std::nullopt, V::kSquatted},
      {"squatted, and the squatter holds the request event too", O::kOtherAccount, O::kOtherAccount,
       V::kSquatted},
      {"squatted, but a service instance counts already", O::kOtherAccount, O::kPrivileged,
       V::kAnotherInstance},
      {"squatted, but our own account counts already", O::kUnreadable, O::kThisAccount, V::kAnotherInstance},
      {"ours, whoever holds the request event", O::kPrivileged, O::kOtherAccount, V::kAnotherInstance},
  };
  for (const Case& c : cases) EXPECT_EQ(JudgeExistingGuard(c.guard, c.request), c.verdict) << c.name;
}

}  // namespace
}  // namespace tral
