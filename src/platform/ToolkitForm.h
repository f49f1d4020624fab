// SPDX-License-Identifier: GPL-3.0-or-later
// ToolkitForm: a window of the program (a form), with its caption, place and controls.
//
// Forms are made by the toolkit and live as long as it does; secondary forms hide when
// they close, the main form's close ends the message loop. Handlers run through the
// toolkit's boundary, so a failure in one is shown in the error box and ends only it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ToolkitListBox.h"

namespace vl::platform {

class Toolkit;

class Form {
public:
    Form(Toolkit& toolkit, std::string name, std::string caption, int left, int top, int width,
         int height, uint64_t handle);
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    // Outer size, frame included.
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The client area inside the frame.
    int ClientWidth() const;
    int ClientHeight() const;

    bool Visible() const { return visible_; }
    // Shows the form (not modal) and makes it the application's active window.
    void Show();
    // Hides it; the main form, or another visible one, becomes active.
    void Hide();
    // Closes as by the user: OnClose runs; when it fails the form stays open. Then a
    // secondary form hides, the main form ends the message loop.
    void Close();

    // A native-handle-like id, unique among the forms (the sound device's owner window).
    uint64_t Handle() const { return handle_; }
    // True while this form is the foreground window of the desktop.
    bool IsForeground() const;

    // A list box on the form; the first one made holds the keyboard focus.
    ListBox& AddListBox(std::string name, int left, int top, int width, int height);
    ListBox* Focused() const { return listBoxes_.empty() ? nullptr : listBoxes_.front().get(); }
    const std::vector<std::unique_ptr<ListBox>>& ListBoxes() const { return listBoxes_; }

    std::function<void()> OnCreate;     // run by the program once the form is built
    std::function<void()> OnActivate;   // the form became the application's active window
    std::function<void()> OnDeactivate; // another form of the application became active
    std::function<void()> OnClose;      // the form is being closed

    // Asks the backend to draw the form again before the loop next waits.
    void Invalidate();

private:
    friend class Toolkit;
    Toolkit& toolkit_;
    std::string name_, caption_;
    int left_, top_, width_, height_;
    uint64_t handle_;
    bool visible_ = false;
    std::vector<std::unique_ptr<ListBox>> listBoxes_;
};

} // namespace vl::platform
