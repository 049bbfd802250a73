#pragma once

#include <windows.h>

#include <string>

#include "view/Rect.h"

namespace winui {

// A standard control (a static) whose messages pass through a C++ object
// first, owned by that object as Window owns its windows: destroying the
// object destroys the control, and a control destroyed with its parent
// leaves the object without a handle.
class SubclassedControl {
  public:
    SubclassedControl() = default;
    virtual ~SubclassedControl();
    SubclassedControl(const SubclassedControl&) = delete;
    SubclassedControl& operator=(const SubclassedControl&) = delete;

    HWND hwnd() const { return hwnd_; }

  protected:
    // Creates the control of a system class and hooks it.
    bool create(const wchar_t* className, DWORD exStyle, DWORD style, const std::wstring& text,
                const view::Rect& rect, HWND parent, int id);
    // The default is the control's own handling.
    virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT defaultHandling(UINT message, WPARAM wParam, LPARAM lParam);
    // The control is going away (WM_DESTROY); its handle is still valid.
    virtual void destroying() {}

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR subclassId, DWORD_PTR self);
    void unhook();

    HWND hwnd_ = nullptr;
};

}  // namespace winui
