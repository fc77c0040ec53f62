// Decisions of the owner-drawn menu that need no window: accelerator alignment, the shared image
// slots, the system's version code and the classic-theme setting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tral {

// Width in pixels of a text in the menu font, or nothing when it could not be measured.
using MeasureText = std::function<std::optional<int>(std::u16string_view)>;

// Pads the label (the text before the first TAB) of every text that has a TAB with blanks until
// it measures as wide as the widest label of the level plus one blank, so the accelerators start
// in one column. Texts without a TAB are left as they are. A label stops growing when a blank
// adds no width or a measurement fails, so the padding always ends.
void AlignAccelerators(std::vector<std::u16string>& texts, const MeasureText& measure);

// Command ids beside the process-wide image list: slot i holds the image of ids[i]. With effect
// images a command takes four slots: the image, faded, shadow and disabled.
class ImageSlots {
 public:
  struct Placement {
    int index = -1;           // slot of the image itself
    bool appended = false;    // new slots at the end (else the image at `index` is replaced)
    bool withEffects = false; // appended: three effect slots follow; replaced: they are replaced too
  };

  // First slot of the command, or -1.
  int Find(std::uintptr_t id) const;
  // Where the image of a command goes: appended (with three effect slots when `withEffects`) for
  // a new command, in place of the first one for a known command; the registry grows only for
  // new commands.
  Placement Register(std::uintptr_t id, bool withEffects);
  // The slot is followed by the three effect slots of the same command.
  bool HasEffectImages(int index) const;
  std::size_t Size() const { return ids_.size(); }

 private:
  std::vector<std::uintptr_t> ids_;
};

// The system as the menus tell it apart (0..7): from GetVersion's value and the version record
// (nothing when it could not be read).
struct VersionRecord {
  std::uint32_t platformId = 0;  // 2: Windows NT family
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};
int WindowsVersionCode(std::uint32_t getVersionValue, const std::optional<VersionRecord>& record);
inline constexpr int kVersionCodeXp = 7;

// The theme setting's default value as read into a buffer of `capacity` bytes of which
// `bytesRead` were filled: true when its text, taken up to its terminator and never past the
// bytes read, ends in "Windows Classic.theme" (ASCII letters compared without case).
bool IsClassicThemeText(const char* buffer, std::size_t capacity, std::size_t bytesRead);

}  // namespace tral
