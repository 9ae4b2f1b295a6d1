// SPDX-License-Identifier: GPL-3.0-or-later
// Where the sound server's failures are told: stderr, or the journal, through Qt's logging.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcAudio)
