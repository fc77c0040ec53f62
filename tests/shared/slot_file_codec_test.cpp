// Slot-file bytes: the layout against hand-laid bytes, and bounded decoding of short, lying and
// foreign files.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "shared/slot_file_codec.h"
#include "shared/text_field.h"
#include "support/slot_file_bytes.h"

namespace tral {
namespace {

using test::Bytes;

// Connection 1: slots 0 and 287 of the first adapter; connection 2: slot 144 of the second.
Bytes TwoConnections() {
  return test::SlotFileBytes({{"00-1A-2B-3C-4D-5E", "10.0.0.5", "00-11-22-33-44-55", "home", {{0, 1000, 20}, {287, 3, 4}}},
                              {"AA-BB-CC-DD-EE-FF", "", "", "", {{144, 5, 6}}}});
}

constexpr std::size_t kSecond = 12 + 103 + 2 * 18;  // where connection 2 begins

TEST(SlotFileCodec, AWholeFileDecodesAndEncodesByteForByte) {
  const Bytes b = TwoConnections();
  ASSERT_EQ(b.size(), 12u + 103 + 2 * 18 + 103 + 18);
  const SlotFileContents c = DecodeSlotFile(b);
  EXPECT_TRUE(c.complete);
  EXPECT_TRUE(c.knownLayout);
  EXPECT_EQ(c.problem, "");
  ASSERT_EQ(c.connections.size(), 2u);
  EXPECT_TRUE(SameConnection(c.connections[0], "00-1A-2B-3C-4D-5E", "10.0.0.5", "00-11-22-33-44-55", "home"));
  EXPECT_EQ(c.connections[0].slots, (std::vector<SlotBytes>{{0, 1000, 20}, {287, 3, 4}}));
  EXPECT_TRUE(SameConnection(c.connections[1], "AA-BB-CC-DD-EE-FF", "", "", ""));
  EXPECT_EQ(c.connections[1].slots, (std::vector<SlotBytes>{{144, 5, 6}}));
  EXPECT_EQ(EncodeSlotFile(c.connections), b);

  // A connection without slots is left out, the count with it.
  std::vector<SlotFileConnection> withIdle = c.connections;
  withIdle.insert(withIdle.begin() + 1, SlotFileConnection{});
  EXPECT_EQ(EncodeSlotFile(withIdle), b);
}

// Each row changes the whole file and says what is left of it, and why it stops.
TEST(SlotFileCodec, DamagedAndForeignFilesKeepTheConnectionsBeforeTheDamage) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> change;
    bool knownLayout;
    std::size_t connections;
    std::string problem;
  };
  const auto cut = [](std::size_t size) { return [size](Bytes& b) { b.resize(size); }; };
  const Case cases[] = {
      {"empty", cut(0), false, 0, "it does not begin with the slot file's mark"},
      {"a day file's bytes", [](Bytes& b) { b = test::DayFileBytes({}, 0); }, false, 0,
       "it does not begin with the slot file's mark"},
      {"another mark", [](Bytes& b) { b[3] = 'X'; }, false, 0, "it does not begin with the slot file's mark"},
      {"cut in the heading", cut(11), false, 0, "it ends inside its heading"},
      {"a later version", [](Bytes& b) { b[4] = 2; }, false, 0, "it is of version 2, not 1"},
      {"slots of a quarter hour", [](Bytes& b) { b[6] = 15; }, false, 0, "its slots are of 15 minutes, not 5"},
      {"no connection at all", cut(12), true, 0, "it ends inside the heading of connection 1 of 2"},
      {"a count that promises more", [](Bytes& b) { test::Poke32(b, 8, 3); }, true, 2,
       "it ends inside the heading of connection 3 of 3"},
      {"a count no file holds", [](Bytes& b) { test::Poke32(b, 8, 0xFFFFFFFF); }, true, 2,
       "it ends inside the heading of connection 3 of 4294967295"},
      {"cut in a connection's heading", cut(kSecond + 102), true, 1, "it ends inside the heading of connection 2 of 2"},
      {"cut in a slot", cut(12 + 103 + 18 + 17), true, 0, "it ends inside slot 2 of 2 of connection 1 of 2"},
      {"cut before a connection's last slot", cut(kSecond + 103), true, 1,
       "it ends inside slot 1 of 1 of connection 2 of 2"},
      {"more slots than a day has", [](Bytes& b) { b[kSecond + 101] = 0x21, b[kSecond + 102] = 0x01; }, true, 1,
       "connection 2 of 2 has 289 slots; a day has 288"},
      {"a slot past the day", [](Bytes& b) { b[kSecond + 103] = 0x20, b[kSecond + 104] = 0x01; }, true, 1,
       "slot 1 of 1 of connection 2 of 2 is numbered 288, past the day's last"},
      {"a slot twice", [](Bytes& b) { b[12 + 103 + 18] = 0, b[12 + 103 + 19] = 0; }, true, 0,
       "slot 2 of 2 of connection 1 of 2 does not come after the one before it"},
      {"bytes after the last connection", [](Bytes& b) { b.insert(b.end(), {0, 0, 0}); }, true, 2,
       "it goes on after its last connection (3 bytes more)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes b = TwoConnections();
    c.change(b);
    const SlotFileContents got = DecodeSlotFile(b);
    EXPECT_FALSE(got.complete);
    EXPECT_EQ(got.knownLayout, c.knownLayout);
    EXPECT_EQ(got.connections.size(), c.connections);
    EXPECT_EQ(got.problem, c.problem);
  }
}

TEST(SlotFileCodec, TextsWithoutTheirNulAreCutToFitTheirField) {
  Bytes b = test::SlotFileBytes({{"", "", "", "", {{1, 1, 1}}}});
  std::fill(b.begin() + 12, b.begin() + 12 + 101, 'x');
  const SlotFileContents c = DecodeSlotFile(b);
  ASSERT_TRUE(c.complete);
  EXPECT_EQ(FieldText(c.connections[0].adapterKey), std::string(25, 'x'));
  EXPECT_EQ(FieldText(c.connections[0].ipText), std::string(15, 'x'));
  EXPECT_EQ(FieldText(c.connections[0].bssid), std::string(25, 'x'));
  EXPECT_EQ(FieldText(c.connections[0].ssid), std::string(32, 'x'));
}

}  // namespace
}  // namespace tral
