// Form1: the match window's form data.
#include "app/Form1.h"

namespace vl::app {

TForm1::TForm1(const WindowContext& context)
    : toolkit(context.toolkit), form(toolkit.CreateForm("Form1", "Vlnedla", 192, 107, 544, 375)),
      owner_(form), DXSound1(context.sound, &owner_), DXWaveList1("DXWaveList1") {
    DXWaveList1.SetTrace(context.trace);
    DXWaveList1.SetDXSound(&DXSound1);
    form.OnCreate = [this] { FormCreate(); };
    form.OnClose = [this] { FormClose(); };
    DXSound1.Loaded();
}

} // namespace vl::app
