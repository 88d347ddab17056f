#pragma once

namespace tarnel {

// True when the machine has a usable network route: a route through an interface other than
// loopback (IPv4 or IPv6). A local check only; it sends nothing. A host set through
// TARNEL_UPDATE_HOST on the loopback address also counts, so a local server can be reached.
bool IsInternetConnected();

}  // namespace tarnel
