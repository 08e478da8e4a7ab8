#pragma once
// Who holds an ALSA PCM: the kernel shows each open substream's owner in
// /proc/asound/cardC/pcmD{p,c}/subS/status ("owner_pid : 812"), and /proc/812/comm names the
// program. Used to say more than "busy" when a card cannot be opened.

#include <string>

namespace qmt {

// "in use by pulseaudio (process 812)"; "in use by another program" when the system does not
// tell (another user's process, no /proc). subdevice -1 looks at every substream.
std::string DescribePcmHolder(const std::string& procRoot, int card, int device, bool capture,
                              int subdevice);

}  // namespace qmt
