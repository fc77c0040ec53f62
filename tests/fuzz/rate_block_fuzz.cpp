// Fuzz target: any bytes as a mapped rate block must decode inside their bounds or fail cleanly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "monitor/common/connection_list.h"
#include "shared/text_field.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tral::ConnectionList list;
  const bool ok = tral::FillConnectionList(std::span<const std::uint8_t>(data, size), list);
  if (!ok && !list.Empty()) std::abort();  // a failed read leaves nothing behind
  if (ok) {
    // Every record copied came from the bytes given: 4 + 696 per record at most.
    if (4 + list.RecordCount() * tral::kPublishedRecordSize > size) std::abort();
    for (const tral::ConnectionGroup& group : list.Groups()) {
      if (group.chain.empty() || group.key != tral::FieldText(group.chain.front().adapterKey)) std::abort();
    }
  }
  return 0;
}
