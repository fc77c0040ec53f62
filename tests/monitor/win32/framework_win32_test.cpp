// The dialog framework on real windows: modal ownership, ending nested dialogs, an ending sent
// from another thread, modeless dialogs beside a modal one, and the poll thread's
// one-poll-at-a-time rule.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "monitor/framework/dialog.h"
#include "monitor/mainwindow/service_client.h"
#include "monitor/mainwindow/win32/poll_worker_win32.h"
#include "monitor/resources/resource.h"
#include "shared/names.h"
#include "shared/win32/unique_handle.h"

namespace tral::ui {
namespace {

constexpr UINT_PTR kStepTimer = 7;
constexpr UINT_PTR kCloseTimer = 9;
constexpr UINT kEndFromThread = WM_APP + 1;
constexpr UINT kWatchdogMs = 10000;

// A dialog that runs one step from a timer once it is up, and records when it ends.
class StepDialog : public Dialog {
 public:
  StepDialog(std::vector<std::string>& log, std::string name) : Dialog(IDD_ABOUT), log_(log), name_(name) {}
  std::function<void()> step;
  std::function<void()> close;  // run by kCloseTimer

 protected:
  bool OnInitDialog() override {
    ::SetTimer(Handle(), kStepTimer, 50, nullptr);
    ::SetTimer(Handle(), kStepTimer + 1, kWatchdogMs, nullptr);
    return true;
  }
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_TIMER && wParam == kStepTimer) {
      ::KillTimer(Handle(), kStepTimer);
      if (step) step();
      return 0;
    }
    if (message == WM_TIMER && wParam == kCloseTimer) {
      ::KillTimer(Handle(), kCloseTimer);
      if (close) close();
      return 0;
    }
    if (message == WM_TIMER && wParam == kStepTimer + 1) {  // a test that hangs fails instead
      log_.push_back(name_ + " watchdog");
      EndDialog(-2);
      return 0;
    }
    if (message == kEndFromThread) {
      EndDialog(IDABORT);
      return 0;
    }
    return std::nullopt;
  }
  void OnEnding(INT_PTR result) override { log_.push_back(name_ + " ends " + std::to_string(result)); }

 public:
  using Dialog::KeepMinimumSize;

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

TEST(DialogFramework, ModalChildDisablesItsOwnerAndEndsBeforeItWhenTheOwnerCloses) {
  std::vector<std::string> log;
  StepDialog outer(log, "outer");
  StepDialog inner(log, "inner");
  bool ownerDisabledWhileChildRuns = false;
  bool ownerEnabledAfterChild = false;
  outer.step = [&] {
    const INT_PTR innerResult = inner.DoModal(outer.Handle());
    log.push_back("inner returned " + std::to_string(innerResult));
    ownerEnabledAfterChild = ::IsWindowEnabled(outer.Handle()) != FALSE;
  };
  inner.step = [&] {
    ownerDisabledWhileChildRuns = ::IsWindowEnabled(outer.Handle()) == FALSE;
    // What a close request to the owner does: the dialogs on top end first, synchronously.
    outer.EndModalChildren(IDCANCEL);
    outer.EndDialog(IDCANCEL);
    log.push_back("close handled");
  };
  EXPECT_EQ(outer.DoModal(nullptr), IDCANCEL);
  EXPECT_TRUE(ownerDisabledWhileChildRuns);
  EXPECT_TRUE(ownerEnabledAfterChild);
  EXPECT_EQ(log, (std::vector<std::string>{"inner ends 2", "outer ends 2", "close handled", "inner returned 2"}));
  EXPECT_EQ(outer.Handle(), nullptr) << "the window is destroyed when the run ends";
}

TEST(DialogFramework, EndingTheChildrenAlsoEndsAMessageBoxOneOfThemHasOpen) {
  std::vector<std::string> log;
  StepDialog outer(log, "outer");
  StepDialog inner(log, "inner");
  outer.step = [&] { inner.DoModal(outer.Handle()); };
  std::atomic<bool> boxDone{false};
  std::thread watchdog;
  inner.step = [&] {
    // A message box left open would hold the test: after 5 s it is answered with OK from outside.
    watchdog = std::thread([&] {
      for (int i = 0; i < 100 && !boxDone; ++i) ::Sleep(50);
      HWND box = ::FindWindowA("#32770", "TraldenView");
      if (!boxDone && box != nullptr) ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    // A failed check's message is up when the owner is asked to close.
    ::SetTimer(outer.Handle(), kCloseTimer, 100, nullptr);
    const int answer = ::MessageBoxA(inner.Handle(), "Please enter a positive integer.", "TraldenView", MB_OK);
    boxDone = true;
    log.push_back("box returned " + std::to_string(answer));
  };
  outer.close = [&] {
    outer.EndModalChildren(IDCANCEL);
    outer.EndDialog(IDCANCEL);
  };
  EXPECT_EQ(outer.DoModal(nullptr), IDCANCEL);
  if (watchdog.joinable()) watchdog.join();
  EXPECT_EQ(log, (std::vector<std::string>{"inner ends 2", "outer ends 2", "box returned 2"}));
}

TEST(DialogFramework, AnEndingSentFromAnotherThreadEndsTheLoop) {
  std::vector<std::string> log;
  StepDialog dialog(log, "dialog");
  std::thread sender;
  dialog.step = [&] {
    HWND window = dialog.Handle();
    sender = std::thread([window] {
      DWORD_PTR answer = 0;
      ::SendMessageTimeoutA(window, kEndFromThread, 0, 0, SMTO_NORMAL, 5000, &answer);
    });
  };
  EXPECT_EQ(dialog.DoModal(nullptr), IDABORT) << "the loop must not keep waiting for a posted message";
  sender.join();
  EXPECT_EQ(log, (std::vector<std::string>{"dialog ends 3"}));
}

TEST(DialogFramework, AModelessDialogTakesItsKeysFromTheModalLoopAndGoesWithEscape) {
  std::vector<std::string> log;
  StepDialog outer(log, "outer");
  StepDialog side(log, "side");
  bool ownerStaysEnabled = false;
  MINMAXINFO limits{};
  outer.step = [&] {
    ASSERT_TRUE(side.Create(outer.Handle()));
    ownerStaysEnabled = ::IsWindowEnabled(outer.Handle()) != FALSE && ::IsWindowVisible(side.Handle()) != FALSE;
    side.KeepMinimumSize();
    RECT rect{};
    ::GetWindowRect(side.Handle(), &rect);
    ::SendMessageA(side.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    limits.ptMinTrackSize.x -= rect.right - rect.left;  // 0 when the limit is the window's size
    limits.ptMinTrackSize.y -= rect.bottom - rect.top;
    // Esc posted to the side dialog's focused control: only IsDialogMessage makes it IDCANCEL.
    HWND focus = ::GetFocus() != nullptr && ::GetAncestor(::GetFocus(), GA_ROOT) == side.Handle() ? ::GetFocus()
                                                                                              : side.Handle();
    ::PostMessageA(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    ::SetTimer(outer.Handle(), kCloseTimer, 300, nullptr);
  };
  outer.close = [&] {
    log.push_back(side.Handle() == nullptr ? "side gone" : "side still open");
    outer.EndDialog(IDOK);
  };
  EXPECT_EQ(outer.DoModal(nullptr), IDOK);
  EXPECT_TRUE(ownerStaysEnabled);
  EXPECT_EQ(limits.ptMinTrackSize.x, 0);
  EXPECT_EQ(limits.ptMinTrackSize.y, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"side ends 2", "side gone", "outer ends 1"}));
}

TEST(PollWorker, AtMostOnePollIsOutstandingAndItsOutcomeArrivesAsAMessage) {
  constexpr UINT kDone = WM_APP + 2;
  HWND window = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  // A service that takes requests and never answers: the poll waits its 1.8 s for the answer, so
  // the second request surely meets the first still outstanding (without these names the poll ends
  // at once, and on a loaded machine it could end before the second request).
  win32::UniqueKernelHandle request(::CreateEventA(nullptr, FALSE, FALSE, kRequestEventName));
  win32::UniqueKernelHandle answer(::CreateEventA(nullptr, FALSE, FALSE, kAnswerEventName));
  ASSERT_TRUE(request && answer);
  std::optional<win32::PollOutcome> outcome;
  std::vector<bool> requests;
  {
    win32::PollWorker worker;
    worker.Start(window, kDone);
    requests.push_back(worker.Request());
    ASSERT_EQ(::WaitForSingleObject(request.Get(), 10000), WAIT_OBJECT_0);  // the poll has asked
    requests.push_back(worker.Request());  // refused: the first is still outstanding
    for (int i = 0; i < 1000 && !outcome; ++i) {
      MSG message;
      if (::PeekMessageA(&message, window, kDone, kDone, PM_REMOVE)) outcome = worker.Take();
      else ::Sleep(10);
    }
    requests.push_back(worker.Request());  // allowed again once the poll has finished
  }
  ::DestroyWindow(window);
  ASSERT_TRUE(outcome.has_value());
  EXPECT_EQ(requests, (std::vector<bool>{true, false, true}));
  // No answer came: the poll gives up before the block, and the list is not replaced.
  EXPECT_EQ(outcome->statusText, kUnreachableText);
  EXPECT_FALSE(outcome->listReplaced);
  EXPECT_FALSE(outcome->rebuild);
}

}  // namespace
}  // namespace tral::ui
