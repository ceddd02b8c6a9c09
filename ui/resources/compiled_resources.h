// The compiled resource script of DomaUI (the bytes of DomaUI.res) that the Linux build embeds for its host.
#pragma once

#include <cstdint>
#include <span>

namespace tolma::ui {

// The .res bytes the MinGW resource compiler made from ui/resources/DomaUI.rc (generated source, Linux only).
std::span<const uint8_t> CompiledResources();

}  // namespace tolma::ui
