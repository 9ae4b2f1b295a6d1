// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog run as in the tests of the dialog, counting the completion messages it is
// handed against the buffers the devices were given.
#pragma once

#include <functional>
#include <map>
#include <utility>

#include "tests/app/DialogRun.h"
#include "tests/load/RecordingBackend.h"

class CCountingDlg : public CTestMainDlg {
  public:
    using CountedSteps = std::function<void(CCountingDlg&)>;

    // Runs the dialog modally with `steps` inside its loop, then ends it as the user's Exit
    // does. A completion message for a (device, header) pair beyond the number of times the
    // header was queued on that device is reported to `recorder` as a breach.
    static void Run(RecordingBackend& recorder, const CountedSteps& steps);

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    CCountingDlg(RecordingBackend& recorder, const CountedSteps& steps);

    RecordingBackend& m_recorder;
    const CountedSteps& m_countedSteps;
    std::map<std::pair<WPARAM, LPARAM>, int> m_completions;
};
