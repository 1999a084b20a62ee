// The live link probe of a running acceleration (accel/link_quality.h): a
// thread sending one echo a second to the tunnel's gateway and posting
// WM_LINK_QUALITY to the main window after each, until the acceleration it
// was started for is over (the link monitor's token has changed or the
// acceleration ended).
#pragma once

#include <string>

namespace kestro {

void startLinkQualityProbe(const std::wstring& token);

}  // namespace kestro
