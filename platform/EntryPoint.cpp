// SPDX-License-Identifier: GPL-3.0-or-later
// The program's main routine. It is built as an object library of its own so that only the
// program links it (test programs have their own main), and it names g_resources so that the
// executable's resource table is always linked in.
#include "platform/detail/Application.h"

int main(int argc, char** argv) {
    return platform::runApplication(argc, argv, g_resources);
}
