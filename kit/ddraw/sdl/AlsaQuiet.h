#pragma once
// ALSA's library prints its own errors on stderr, eight lines of them when
// there is no sound card, before SDL can say that no device opened. Saver
// daemons copy a saver's stderr into their logs, where those lines read
// like faults; the reason SDL gives is what the saver reports.
namespace sandloop::display {

// Gives ALSA's library a handler that drops its messages. SDL loads the
// library at run time, so this loads the same library by its name and
// keeps it loaded (the handler is the process's). Nothing happens where
// ALSA is not installed. Call before SDL's audio starts; calling again
// costs nothing.
void SilenceAlsaMessages();

}  // namespace sandloop::display
