// The About box: program name and version, rights notice, description and the homepage link.
#pragma once

#include "monitor/framework/dialog.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

inline constexpr char kAboutVersionText[] = "TraldenView Version 1.0";
inline constexpr char kRightsNotice[] = "Copyright (C) 2026 The TraldenMeter developers";
inline constexpr char kAboutDescription[] =
    "The program provides possibility to count data transfered via network.";

class CAboutDlg : public ui::Dialog {
 public:
  CAboutDlg();

 protected:
  bool OnInitDialog() override;

 private:
  UniqueGdiObject boldFont_;  // the version line's font, made at opening, deleted with the box
};

}  // namespace tral::win32
