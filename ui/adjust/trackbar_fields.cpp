// Trackbars bound to fields of the private DEVMODE: ranges, positions, labels and defaults.
#include "ui/adjust/trackbar_fields.h"

#include "ui/default_devmode.h"
#include "ui/dialogs.h"

namespace tolma::ui {

const TrackbarField* FindTrackbarField(std::span<const TrackbarField> table, int trackbar) {
  for (const TrackbarField& f : table)
    if (f.trackbar == trackbar) return &f;
  return nullptr;
}

void TakeDefaults(std::span<const TrackbarField> table, const PrivateDevmode* image, PrivateDevmode& pd) {
  for (const TrackbarField& f : table) pd.*f.field = image != nullptr ? image->*f.field : f.fallback;
}

void SetUpTrackbars(HWND dialog, std::span<const TrackbarField> table, const PrivateDevmode& pd, LONG minimum,
                    LONG maximum) {
  for (const TrackbarField& f : table) {
    SendDlgItemMessageW(dialog, f.trackbar, TBM_SETRANGEMIN, FALSE, minimum);
    SendDlgItemMessageW(dialog, f.trackbar, TBM_SETRANGEMAX, TRUE, maximum);
    SendDlgItemMessageW(dialog, f.trackbar, TBM_SETTIC, 0, 1);
  }
  ShowTrackbarValues(dialog, table, pd);
}

void ShowTrackbarValues(HWND dialog, std::span<const TrackbarField> table, const PrivateDevmode& pd) {
  for (const TrackbarField& f : table) {
    SendDlgItemMessageW(dialog, f.trackbar, TBM_SETPOS, TRUE, pd.*f.field);
    SetItemNumber(dialog, f.label, pd.*f.field);
  }
}

void RestoreTrackbarDefaults(HWND dialog, std::span<const TrackbarField> table, PrivateDevmode& pd) {
  PrivateDevmode image{};
  const bool read = LoadDefaultPrivatePart(image) == 1;
  TakeDefaults(table, read ? &image : nullptr, pd);
  ShowTrackbarValues(dialog, table, pd);
}

}  // namespace tolma::ui
