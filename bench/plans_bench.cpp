// The data plans' cost in the monitor, over a year of day files: 16 plans evaluated per poll with
// their past days cached (the folder's stamp, a listing only when it moved, today's live totals),
// against the in-process cost of a poll itself (the block copied into the connection list and the
// view rebuilt); and the first load of a 31-day period against CountSpan over the same days (goal:
// at most 1.2 x).
// Run natively:    cmake --build --preset native --target plans_bench && build/native/bench/plans_bench 101
// Run under Wine:  cmake --build build/windows --target plans_bench &&
//                  build/windows/wine-run.sh build/windows/bench/plans_bench.exe 41
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "bench/year_of_day_files.h"
#include "monitor/common/connection_selection.h"
#include "monitor/plans/plan_status.h"
#include "monitor_test_support.h"
#include "report/report_platform.h"

namespace {

using tral::CivilDate;
using tral::ConnectionMatch;
using tral::DataPlan;
using tral::PlanRenewal;
using tral::bench::Mean;
using tral::bench::Median;
using tral::bench::TimeMs;

// Sixteen plans of every kind over the year's connections, all active on 13 March 2009.
std::vector<tral::PlanReading> SixteenPlans() {
  const ConnectionMatch matches[] = {
      {ConnectionMatch::Kind::kAll, ""},
      {ConnectionMatch::Kind::kAdapter, "00-1A-2B-3C-4D-5E"},
      {ConnectionMatch::Kind::kIp, "192.168.1.11"},
      {ConnectionMatch::Kind::kSsid, "network 2"},
  };
  const PlanRenewal periods[] = {PlanRenewal::kMonth, PlanRenewal::kWeek, PlanRenewal::kDay, PlanRenewal::kOnce};
  std::vector<tral::PlanReading> plans;
  for (int i = 0; i < 16; ++i) {
    DataPlan plan;
    plan.section = tral::PlanSectionName(i + 1);
    plan.name = "Plan " + std::to_string(i + 1);
    plan.match = matches[i % 4];
    plan.period = periods[i / 4];
    plan.start = CivilDate{2009, 1, static_cast<std::uint16_t>(1 + i)};
    plan.end = CivilDate{2009, 3, 31};
    plan.limitBytes = std::uint64_t{50} << 30;
    plans.push_back(tral::PlanReading{plan.section, plan, {}, {}});
  }
  return plans;
}

// Today's snapshot of the service: the year's ten connections with their totals.
tral::test::Bytes TodaysBlock() {
  std::vector<std::vector<tral::test::BlockRecord>> groups(3);
  const char* keys[] = {"00-1A-2B-3C-4D-5E", "AA-BB-CC-DD-EE-FF", "00-0C-29-AB-CD-EF"};
  const int entries[] = {4, 3, 3};
  for (int g = 0; g < 3; ++g) {
    for (int e = 0; e < entries[g]; ++e) {
      tral::test::BlockRecord r{"Adapter " + std::to_string(g), keys[g],
                                "192.168." + std::to_string(g) + "." + std::to_string(10 + e), "",
                                g == 1 ? "Network " + std::to_string(e) : "", 123456789ull * (e + 1), 98765ull,
                                1000, 100, 5000, 5000};
      groups[static_cast<std::size_t>(g)].push_back(r);
    }
  }
  return tral::test::BlockBytes(groups);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tm-plans-bench-" + std::to_string(std::rand()));
  fs::create_directories(dir);
  for (int d = 0; d < tral::bench::kDays; ++d) {
    const std::vector<std::uint8_t> bytes = tral::bench::DayFileBytesOfDay(d);
    std::ofstream(dir / tral::DayFileName(tral::AddDays(tral::bench::kFirst, d)), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const auto files = tral::report::OpenDayFiles(dir.string());
  const auto equal = tral::report::TextComparison();
  const CivilDate today{2009, 3, 13};
  const tral::test::Bytes block = TodaysBlock();

  tral::PlanMonitor monitor(*files, equal);
  monitor.SetPlans(SixteenPlans());
  tral::ConnectionList live;
  (void)tral::FillConnectionList(block, live);
  monitor.Update(today, live);  // the first load; from here on every past day is cached

  // A month of 31 days, 14 January to 13 February 2009, read for the first time.
  DataPlan month;
  month.match = ConnectionMatch{ConnectionMatch::Kind::kAdapter, "AA-BB-CC-DD-EE-FF"};
  month.start = CivilDate{2008, 12, 14};
  month.limitBytes = 1;
  const CivilDate monthEnd{2009, 2, 13};

  std::vector<double> pollMs, plansMs, loadMs, countMs, listingMs;
  std::size_t sink = 0;
  tral::SelectionState selection;
  tral::MonitorSettings settings;
  tral::test::FakeTicks ticks;
  for (int r = 0; r <= repetitions; ++r) {  // the first round warms the caches and is not counted
    const double poll = TimeMs([&] {
      tral::ConnectionList list;
      (void)tral::FillConnectionList(block, list);
      sink += tral::RebuildDisplay(selection, list, settings, tral::RebuildMode::kUpdate, ticks).downloaded.size();
    });
    const double plans = TimeMs([&] {
      monitor.Update(today, live);
      for (std::size_t i = 0; i < monitor.States().size(); ++i) sink += monitor.DueAlert(i) ? 1 : 0;
      const tral::PlanState* shown = monitor.PlanOf("00-1A-2B-3C-4D-5E", "192.168.0.10", "");
      sink += shown ? tral::PlanFieldText(*shown, settings).size() : 0;
    });
    const double load = TimeMs([&] {
      tral::PlanUsage usage(*files, equal);
      usage.Update({month}, monthEnd, true);
      sink += usage.FileBytes(0) != 0;
    });
    const double count = TimeMs([&] {
      tral::CStatisticData data(*files, equal);
      data.CountSpan(CivilDate{2009, 1, 14}, monthEnd);
      sink += data.RowCount();
    });
    const double listing = TimeMs([&] {
      std::vector<tral::DayFileStamp> stamps;
      sink += files->ListDayFileStamps(stamps) ? stamps.size() : 0;
    });
    if (r > 0) {
      listingMs.push_back(listing);
      pollMs.push_back(poll);
      plansMs.push_back(plans);
      loadMs.push_back(load);
      countMs.push_back(count);
    }
  }
  fs::remove_all(dir);
  std::printf("medians of %d runs over %d day files of 10 connections\n", repetitions, tral::bench::kDays);
  std::printf("a poll in process (block into the list, view rebuilt): %.4f ms\n", Median(pollMs));
  std::printf("16 plans per poll, past days cached (folder stamp, live totals, alerts, field): %.4f ms (%.1f x the "
              "poll); mean %.4f ms with a listing every %d polls\n",
              Median(plansMs), Median(plansMs) / Median(pollMs), Mean(plansMs), tral::kUpdatesPerListing);
  std::printf("one listing of the folder with its stamps: %.3f ms\n", Median(listingMs));
  std::printf("first load of a 31-day period: %.3f ms; CountSpan over it: %.3f ms (%.2f x)\n", Median(loadMs),
              Median(countMs), Median(loadMs) / Median(countMs));
  return sink > 0 ? 0 : 1;
}
