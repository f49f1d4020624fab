// SPDX-License-Identifier: GPL-3.0-or-later
// ToolkitForm: a form's state; showing, hiding and closing go through the toolkit.
#include "platform/ToolkitForm.h"

#include <algorithm>

#include "platform/Toolkit.h"

namespace vl::platform {

namespace {
// The frame the system draws around the client area (border and caption bar).
constexpr int kFrameWidth = 8, kFrameHeight = 27;
} // namespace

Form::Form(Toolkit& toolkit, std::string name, std::string caption, int left, int top, int width,
           int height, uint64_t handle)
    : toolkit_(toolkit), name_(std::move(name)), caption_(std::move(caption)), left_(left),
      top_(top), width_(width), height_(height), handle_(handle) {}

int Form::ClientWidth() const {
    return std::max(width_ - kFrameWidth, 0);
}
int Form::ClientHeight() const {
    return std::max(height_ - kFrameHeight, 0);
}

void Form::Show() {
    toolkit_.ShowForm(*this);
}
void Form::Hide() {
    toolkit_.HideForm(*this);
}
void Form::Close() {
    toolkit_.CloseForm(*this);
}

bool Form::IsForeground() const {
    return toolkit_.IsForeground(*this);
}
ListBox& Form::AddListBox(std::string name, int left, int top, int width, int height) {
    listBoxes_.push_back(
        std::make_unique<ListBox>(toolkit_, *this, std::move(name), left, top, width, height));
    Invalidate();
    return *listBoxes_.back();
}

void Form::Invalidate() {
    toolkit_.Invalidate(*this);
}

} // namespace vl::platform
