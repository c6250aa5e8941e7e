/* SPDX-FileCopyrightText: 2026 The corvane-native authors
 * SPDX-License-Identifier: Apache-2.0
 *
 * The application monitor interface that libquessa.so must export for the ostreljni bridge.
 *
 * The bridge links against the unversioned name libquessa.so (DT_NEEDED "libquessa.so", no
 * SONAME of its own and no run path): the dynamic loader's ordinary search must find a file of
 * exactly that name when the JVM loads the bridge, else neither native method becomes available.
 *
 * Texts are NUL-terminated bytes in the JVM's modified UTF-8: U+0000 arrives as C0 80, and a
 * character beyond U+FFFF as the two three-byte forms of its surrogate halves. The bridge passes
 * them on as they are, in both directions, and never re-encodes.
 *
 * Threads: the bridge keeps no state and takes no lock. Any number of Java threads may call the
 * native methods at once, so both functions are called concurrently, from any thread the JVM
 * runs Java on. Whatever serialisation the monitor needs is its own.
 */
#ifndef QUESSA_H
#define QUESSA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Takes one application state. The text is borrowed for the length of the call: the bridge
 * gives it back to the JVM once the call (and the bridge's echo of it) is over, so the monitor
 * copies whatever it keeps. Never null. The result goes back to Java unchanged, negative values
 * included; its meaning is the monitor's. */
int32_t Ostrel_PostAppState(const char* state);

/* The current application status. The text stays the monitor's: the bridge never frees, alters
 * or keeps it, and needs it valid only until it has copied it into a Java string, which happens
 * on the calling thread before any other call of the bridge's on that thread. A null pointer
 * makes getAppStatus return null to Java, with no exception. */
const char* Ostrel_GetAppStatus(void);

#ifdef __cplusplus
}
#endif

#endif /* QUESSA_H */
