// Writes the seed corpora of the fuzz targets: well-formed and typical damaged blocks and day files.
// Usage: make_seeds RATE_BLOCK_DIR DAY_FILE_DIR
#include <cstdio>
#include <string>

#include "monitor_test_support.h"

namespace {

using tral::test::Bytes;

void Write(const std::string& path, const Bytes& bytes) {
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

tral::test::BlockRecord Rec(const char* key, const char* ip, const char* ssid) {
  tral::test::BlockRecord r;
  r.description = "Adapter";
  r.adapterKey = key;
  r.ip = ip;
  r.ssid = ssid;
  r.rxTotal = 123456;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string blocks = std::string(argv[1]) + "/";
  const std::string days = std::string(argv[2]) + "/";
  using tral::test::BlockBytes;
  Write(blocks + "two-and-one", BlockBytes({{Rec("00-1A-2B-3C-4D-5E", "10.0.0.5", ""),
                                             Rec("00-1A-2B-3C-4D-5E", "10.0.0.6", "home")},
                                            {Rec("AA-BB-CC-DD-EE-FF", "192.168.1.20", "")}}));
  Write(blocks + "empty", Bytes{0, 0, 0, 0});
  Bytes cut = BlockBytes({{Rec("K", "1.2.3.4", "net")}});
  cut.resize(cut.size() - 100);
  Write(blocks + "cut", cut);

  using tral::test::DayFileBytes;
  Write(days + "two-groups", DayFileBytes({{"00-1A-2B-3C-4D-5E", {{"10.0.0.5", "00-11-22-33-44-55", "home", 5000, 6000},
                                                                   {"10.0.0.6", "", "", 1023, 2047}}},
                                           {"AA-BB-CC-DD-EE-FF", {{"192.168.1.20", "", "", 1 << 20, 0}}}},
                                          97440000));
  Write(days + "no-groups", DayFileBytes({}, 3600000));
  Bytes noUptime = DayFileBytes({{"K", {{"1.1.1.1", "", "", 1, 2}}}}, 0);
  noUptime.resize(noUptime.size() - 4);
  Write(days + "no-uptime", noUptime);
  return 0;
}
