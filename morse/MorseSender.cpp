#include "morse/MorseSender.h"

#include "audio/AudioFormat.h"

CMorseSender::CMorseSender(BOOL signals) : m_signals(signals ? 1 : 0) {
    PrepareSound(g_audioFormat.nAvgBytesPerSec);
}
