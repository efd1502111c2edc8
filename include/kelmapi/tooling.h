// KelmAPI: what a command-line client in this process needs beside IKelm:
// the words for a Kelm object's last failure, and whether a standard stream
// is a terminal. In the static core only (the kelm tool links it);
// libkelmapi.so and KelmAPI.dll do not export these.
#pragma once

#include <cstdio>
#include <string>

#include "kelmapi/kelmapi.h"

namespace kelmapi {

// `object` must be a Kelm object of this module (from its class factory).
// The description of its last failed call when that call failed with
// `status`; empty otherwise. What a late-bound caller gets in EXCEPINFO.
std::string LastFailureDescription(IKelm* object, HRESULT status);

// Whether the stream is a terminal, and its width in columns (0: unknown).
bool IsTerminal(std::FILE* stream);
int TerminalWidth(std::FILE* stream);

}  // namespace kelmapi
