// Placeholder until the view's drawing and input land: an empty view.
#include "equaliser/SEQResponseView.h"

TResponseView::TResponseView(TSmallEQModule* Module) : FModule(Module) {}
void TResponseView::Draw(TBitmap32& Bitmap, int) { Bitmap.SetSize(kWidth, kHeight); Bitmap.Clear(0xFFFFFFFF); }
double TResponseView::XOfFrequency(double) const { return 0; }
double TResponseView::FrequencyAtX(double) const { return 0; }
double TResponseView::YOfGain(double) const { return 0; }
double TResponseView::GainAtY(double) const { return 0; }
TPoint TResponseView::HandleCentre(int) const { return {}; }
int TResponseView::HandleAt(int, int) const { return -1; }
int TResponseView::MouseDown(TMouseButton, TShiftState, int, int) { return -1; }
bool TResponseView::MouseMove(TShiftState, int, int) { return false; }
void TResponseView::MouseUp() { FDragBand = -1; }
int TResponseView::MouseWheel(TShiftState, int, int, int) { return -1; }
