// The deciding parts behind the windows: typed numbers, installer words, writing the view.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "monitor/program/monitor_command.h"
#include "monitor/framework/number_entry.h"
#include "monitor/mainwindow/main_view_apply.h"
#include "monitor/resources/resource.h"

namespace tral {
namespace {

TEST(NumberEntry, AcceptsUnsignedDecimalsOnly) {
  const struct {
    const char* text;
    std::optional<std::uint32_t> value;
  } cases[] = {
      {"0", 0u},           {"42", 42u},          {" 7 ", 7u},        {"+5", 5u},
      {"0999", 999u},      {"4294967295", 4294967295u},
      {"", std::nullopt},  {"  ", std::nullopt}, {"-1", std::nullopt}, {"1a", std::nullopt},
      {"1 2", std::nullopt}, {"4294967296", std::nullopt}, {"99999999999", std::nullopt},
      {"+", std::nullopt}, {"1.5", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ParseUnsignedEntry(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(NumberEntry, RangeMessageNamesBothBounds) {
  EXPECT_EQ(ui::RangeMessage(1, 999), "Please enter an integer between 1 and 999.");
  EXPECT_EQ(ui::RangeMessage(0, 9999), "Please enter an integer between 0 and 9999.");
}

TEST(MonitorCommandWords, OnlyTheWholeFirstArgumentCountsInAnyLetterCase) {
  using A = std::vector<std::string>;
  const struct {
    A arguments;
    MonitorCommand command;
  } cases[] = {
      {{}, MonitorCommand::kRun},
      {{"installme"}, MonitorCommand::kInstall},
      {{"INSTALLME"}, MonitorCommand::kInstall},
      {{"InstallMe", "extra"}, MonitorCommand::kInstall},
      {{"uninstallme"}, MonitorCommand::kUninstall},
      {{"UnInstallME"}, MonitorCommand::kUninstall},
      {{"/installme"}, MonitorCommand::kRun},
      {{"install"}, MonitorCommand::kRun},
      {{"uninstall"}, MonitorCommand::kRun},
      {{"installme "}, MonitorCommand::kRun},
      {{"other", "installme"}, MonitorCommand::kRun},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseMonitorCommand(c.arguments), c.command)
        << (c.arguments.empty() ? std::string("(none)") : c.arguments.front());
  }
}

// Controls in memory; counts what was written.
class FakeTarget final : public ViewTarget {
 public:
  std::map<int, std::string> texts;
  std::map<int, bool> enabled;
  std::vector<int> writes;
  std::string FieldText(int id) override { return texts[id]; }
  void SetFieldText(int id, std::string_view text) override {
    texts[id] = std::string(text);
    writes.push_back(id);
  }
  void EnableControl(int id, bool on) override { enabled[id] = on; }
};

MainView SampleView() {
  MainView v;
  v.previousEnabled = true;
  v.nextEnabled = false;
  v.description = "Ethernet adapter";
  v.ipText = "198.18.0.1";
  v.hardwareAddress = "02-00-00-00-00-01";
  v.downloaded = "1.50";
  v.uploaded = "0.25";
  v.downloadSpeed = "0.98";
  v.uploadSpeed = "0.00";
  return v;
}

TEST(ApplyMainView, WritesOnlyTheFieldsThatChanged) {
  FakeTarget target;
  MainView view = SampleView();
  // Empty controls: every non-empty field is written; SSID and BSSID stay empty and untouched.
  EXPECT_EQ(ApplyMainView(view, target), 7);
  EXPECT_EQ(target.texts[IDC_MAIN_IP], "198.18.0.1");
  EXPECT_TRUE(target.enabled[IDC_MAIN_PREVIOUS]);
  EXPECT_FALSE(target.enabled[IDC_MAIN_NEXT]);

  target.writes.clear();
  EXPECT_EQ(ApplyMainView(view, target), 0) << "the same view writes nothing";

  view.downloaded = "1.75";
  view.downloadSpeed = "2.00";
  view.nextEnabled = true;
  EXPECT_EQ(ApplyMainView(view, target), 2);
  EXPECT_EQ(target.writes, (std::vector<int>{IDC_MAIN_DOWNLOADED, IDC_MAIN_DOWNLOAD_SPEED}));
  EXPECT_TRUE(target.enabled[IDC_MAIN_NEXT]);

  // The empty view clears what was shown.
  target.writes.clear();
  EXPECT_EQ(ApplyMainView(MainView{}, target), 7);
  EXPECT_EQ(target.texts[IDC_MAIN_DESCRIPTION], "");
  EXPECT_FALSE(target.enabled[IDC_MAIN_PREVIOUS]);
}

TEST(ApplyMainView, ComparesTextsExactly) {
  FakeTarget target;
  target.texts[IDC_MAIN_SSID] = "home";
  MainView view = SampleView();
  view.ssid = "Home";  // differs only in letter case: still a change
  ApplyMainView(view, target);
  EXPECT_EQ(target.texts[IDC_MAIN_SSID], "Home");
}

}  // namespace
}  // namespace tral
