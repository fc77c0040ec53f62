// Writes a main-window view into the controls, field by field.
#include "monitor/mainwindow/main_view_apply.h"

#include <utility>

#include "monitor/resources/resource.h"

namespace tral {

int ApplyMainView(const MainView& view, ViewTarget& target) {
  const std::pair<int, const std::string*> fields[] = {
      {IDC_MAIN_DESCRIPTION, &view.description},     {IDC_MAIN_IP, &view.ipText},
      {IDC_MAIN_HARDWARE, &view.hardwareAddress},    {IDC_MAIN_SSID, &view.ssid},
      {IDC_MAIN_BSSID, &view.bssid},                 {IDC_MAIN_DOWNLOADED, &view.downloaded},
      {IDC_MAIN_UPLOADED, &view.uploaded},           {IDC_MAIN_DOWNLOAD_SPEED, &view.downloadSpeed},
      {IDC_MAIN_UPLOAD_SPEED, &view.uploadSpeed},
  };
  int written = 0;
  for (const auto& [id, text] : fields) {
    if (target.FieldText(id) == *text) continue;
    target.SetFieldText(id, *text);
    ++written;
  }
  target.EnableControl(IDC_MAIN_PREVIOUS, view.previousEnabled);
  target.EnableControl(IDC_MAIN_NEXT, view.nextEnabled);
  return written;
}

}  // namespace tral
