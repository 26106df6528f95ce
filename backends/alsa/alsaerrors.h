// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the ALSA library reads the errors that alsa-lib returns for a card's operations. Pure
// functions, any thread.
namespace AlsaErrors {

// Whether `error` (a negative errno) says the card has gone: unplugged, or its driver unbound.
bool meansCardGone(int error);

// Whether an event read that returned `result` means the card has gone: a signal (EINTR) and an
// empty queue (EAGAIN) leave it usable; on any other failure the library thread must stop polling
// it rather than spin on the same error.
bool eventReadFailureMeansGone(int result);

} // namespace AlsaErrors
