#pragma once
// qmtmidi on the real system: controllers through hidraw, the ports "QMT MIDI In" and
// "QMT MIDI Out" on the ALSA sequencer, the control socket for reloads. Runs in the
// foreground until SIGINT or SIGTERM.

namespace qmt {

// `arguments` are the program's own (argv[1] on). Returns the exit status.
int RunHostMidiService(int count, char** arguments);

}  // namespace qmt
