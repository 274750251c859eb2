// The library's form as a real window on the (Xvfb) screen: its size at the screen's DPI, its
// buffered painting, its close question, and an error inside a handler that the process
// survives.

#include "ORV.Callbacks.h"
#include "ORV.SysUtils.h"
#include "ORV.UI.Controls.h"
#include "ORV.UI.Scaling.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace ORV::UI;

namespace {

void ServeMessages(int milliseconds) {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < static_cast<ULONGLONG>(milliseconds)) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
}

class TTestForm : public TORVForm {
public:
    TTestForm() : TORVForm(u"Test form", 640, 480) {}
    COLORREF Fill = RGB(0xDE, 0x8C, 0x33);
    bool RaiseInPaint = false;
    bool AllowClose = false;
    int Questions = 0;

protected:
    void Paint(HDC dc, const RECT& client) override {
        if (RaiseInPaint) throw std::runtime_error("paint failed");
        const HBRUSH brush = CreateSolidBrush(Fill);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    }
    bool CloseQuery() override {
        ++Questions;
        return AllowClose;
    }
};

std::vector<std::u16string> gErrors;
void RecordError(const std::exception_ptr& error) { gErrors.push_back(ORV::ExceptionMessage(error)); }

} // namespace

TEST(Form, HasItsClientSizeAtTheScreensDpiAndPaintsThroughItsBuffer) {
    TTestForm form;
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, Scale(640, form.Dpi()));
    EXPECT_EQ(client.bottom, Scale(480, form.Dpi()));
    EXPECT_FALSE(GetWindowLongW(form.Handle(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));

    form.Show();
    ServeMessages(300);
    ASSERT_TRUE(form.Visible());
    const HDC dc = GetDC(form.Handle());
    EXPECT_EQ(GetPixel(dc, 10, 10), form.Fill);
    ReleaseDC(form.Handle(), dc);
}

TEST(Form, ClosesOnlyWhenItsQuestionAgrees) {
    TTestForm form;
    form.Show();
    form.Close();
    EXPECT_EQ(form.Questions, 1);
    EXPECT_TRUE(IsWindow(form.Handle()));
    form.AllowClose = true;
    form.Close();
    EXPECT_EQ(form.Handle(), nullptr) << "the window is gone and the object knows it";
}

TEST(Form, AnErrorWhilePaintingGoesToTheHandlerAndTheWindowLivesOn) {
    gErrors.clear();
    ORV::SetCallbackErrorHandler(&RecordError);
    TTestForm form;
    form.RaiseInPaint = true;
    form.Show();
    ServeMessages(200);
    ORV::SetCallbackErrorHandler(nullptr);
    ASSERT_FALSE(gErrors.empty());
    EXPECT_EQ(gErrors[0], u"paint failed");
    EXPECT_TRUE(IsWindow(form.Handle()));
}
