// The About box: program name and version, rights notice, description and the homepage link.
#pragma once

#include "monitor/framework/dialog.h"
#include "shared/win32/unique_handle.h"
#include "tm_version.h"

namespace tral::win32 {

// The build's version, the one the package and the programs' version resources carry.
inline constexpr char kAboutVersionText[] = "TraldenView Version " TM_VERSION_TEXT;
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
