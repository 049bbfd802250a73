#pragma once

#include <windows.h>

#include <string>

#include "view/Rect.h"

namespace winui {

// A window of one of the program's own window classes, owned by a C++
// object: the object gets the window's messages, and destroying the object
// destroys the window (when it is still there). A window destroyed by the
// system first leaves the object without a handle.
class Window {
  public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    bool exists() const { return hwnd_ != nullptr; }

    // The instance that holds the program's window classes and resources.
    static HINSTANCE instance();

  protected:
    struct ClassStyle {
        UINT style = 0;
        HBRUSH background = nullptr;
        HCURSOR cursor = nullptr;
        HICON icon = nullptr;
    };
    // Registers the class once per process; later calls change nothing.
    static void registerClass(const wchar_t* className, const ClassStyle& style);

    // Creates the window; its messages go to handle() from WM_NCCREATE on.
    bool create(const wchar_t* className, DWORD exStyle, DWORD style, const std::wstring& text,
                const view::Rect& rect, HWND parent, HMENU menuOrId);

    // The default is the system's handling.
    virtual LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT defaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

}  // namespace winui
