// guideform: the sound guide window's form data.
#include "app/guideform.h"

namespace vl::app {

Tguideform::Tguideform(const WindowContext& context)
    : toolkit(context.toolkit),
      form(toolkit.CreateForm("guideform", "Průvodce zvuky", 192, 107, 544, 375)), owner_(form),
      DXSoundguide(context.sound, &owner_), DXWaveListguide("DXWaveListguide") {
    DXWaveListguide.SetTrace(context.trace);
    DXWaveListguide.SetDXSound(&DXSoundguide);
    form.OnCreate = [this] { FormCreate(); };
    DXSoundguide.Loaded();
}

} // namespace vl::app
