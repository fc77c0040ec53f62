// Applying the main window's view to its controls: only texts that changed are written.
#pragma once

#include <string>
#include <string_view>

#include "monitor/common/connection_selection.h"

namespace tral {

// The window's controls as the view sees them; the Windows layer reads and writes real controls,
// tests count the writes.
class ViewTarget {
 public:
  virtual ~ViewTarget() = default;
  virtual std::string FieldText(int controlId) = 0;
  virtual void SetFieldText(int controlId, std::string_view text) = 0;
  virtual void EnableControl(int controlId, bool enabled) = 0;
};

// Writes each of the nine field texts whose control holds a different text (exact comparison), so
// unchanged fields are not redrawn at every poll, and enables "<<" and ">>" as the view says.
// Returns the number of texts written.
int ApplyMainView(const MainView& view, ViewTarget& target);

}  // namespace tral
