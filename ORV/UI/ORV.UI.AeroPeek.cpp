#include "ORV.UI.AeroPeek.h"

namespace ORV::UI {

TORVAeroPeek::TORVAeroPeek(HWND window) : FWindow(window) {
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                FTaskbar.ReceiveVoid())) ||
        FAILED(FTaskbar->HrInit()))
        FTaskbar.Reset();
}

void TORVAeroPeek::SetProgress(uint64_t value, uint64_t maximum) {
    FValue = value;
    FMaximum = maximum;
    if (FState == TORVTaskbarState::None) FState = TORVTaskbarState::Normal;
    Refresh();
}

void TORVAeroPeek::SetState(TORVTaskbarState state) {
    FState = state;
    Refresh();
}

void TORVAeroPeek::Refresh() {
    if (!FTaskbar) return;
    switch (FState) {
    case TORVTaskbarState::None:
        FTaskbar->SetProgressState(FWindow, TBPF_NOPROGRESS);
        return;
    case TORVTaskbarState::Normal:
        FTaskbar->SetProgressState(FWindow, TBPF_NORMAL);
        break;
    case TORVTaskbarState::Error:
        FTaskbar->SetProgressState(FWindow, TBPF_ERROR);
        break;
    }
    FTaskbar->SetProgressValue(FWindow, FValue, FMaximum ? FMaximum : 1);
}

UINT TORVAeroPeek::ButtonCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarButtonCreated");
    return message;
}

} // namespace ORV::UI
