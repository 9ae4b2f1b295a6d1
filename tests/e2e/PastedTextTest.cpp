// SPDX-License-Identifier: GPL-3.0-or-later
// Text put into the Morse field the way a paste does: the field keeps all of it, Start reads its
// first 999 code units, and the queue plays exactly what the encoder makes of those units, also
// when a surrogate pair is cut in half at the 999th unit. Runs on the virtual backend.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QString>

#include <cstddef>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "audio/BackendSelection.h"
#include "audio/virtual/VirtualBackend.h"
#include "morse/MorseSender.h"
#include "morse/SoundBuffers.h"
#include "platform/Resources.h"
#include "res/resource.h"
#include "tests/app/DialogRun.h"

namespace {

constexpr std::size_t kSentUnits = 999;  // the dialog reads the field into 1000 units
constexpr char16_t kHighSurrogateFirst = 0xD800;
constexpr char16_t kHighSurrogateLast = 0xDBFF;

// Element lengths in bytes, as the sender cuts them from its tone and silence.
constexpr int kDotBytes = 1875;
constexpr int kDashBytes = 5475;
constexpr int kElementGapBytes = 1800;
constexpr int kLetterGapBytes = 5475;
constexpr int kWordGapBytes = 14400;

enum class Route {
    kSetWindowText,    // the program's own way of setting the field
    kInsertPlainText,  // the edit widget's insertion, as an input method or script does
    kClipboardPaste,   // the user's paste from the clipboard, which the field upper-cases
};

const char* NameOf(Route route) {
    switch (route) {
        case Route::kSetWindowText:
            return "SetWindowText";
        case Route::kInsertPlainText:
            return "InsertPlainText";
        case Route::kClipboardPaste:
            return "ClipboardPaste";
    }
    return "";
}

// How the test framework prints a route, in failure messages and in the test list.
void PrintTo(Route route, std::ostream* os) {
    *os << NameOf(route);
}

struct Element {
    bool tone;
    int bytes;
};

// The elements a symbol string plays, by the queue's mapping rules.
std::vector<Element> ElementsOf(std::u16string_view symbols) {
    std::vector<Element> elements;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const char16_t symbol = symbols[i];
        if (symbol == u'.' || symbol == u'-' || symbol == u'_') {
            elements.push_back({true, symbol == u'.' ? kDotBytes : kDashBytes});
            if (i + 1 < symbols.size() && symbols[i + 1] != u' ' && symbols[i + 1] != u',') {
                elements.push_back({false, kElementGapBytes});
            }
        } else if (symbol == u',') {
            elements.push_back({false, kLetterGapBytes});
        } else if (symbol == u' ') {
            elements.push_back({false, kWordGapBytes});
        }
    }
    return elements;
}

// What the field reads back: its lines are separated by CR LF, whichever break started them.
std::u16string AsTheFieldKeepsIt(std::u16string_view text) {
    std::u16string kept;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r' || c == u'\n' || c == u'\u2028' || c == u'\u2029') {
            kept.append(u"\r\n");
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else {
            kept.push_back(c);
        }
    }
    return kept;
}

std::u16string Upper(const std::u16string& text) {
    const QString upper =
        QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toUpper();
    return std::u16string(reinterpret_cast<const char16_t*>(upper.utf16()),
                          static_cast<std::size_t>(upper.size()));
}

QString ToQString(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string Repeat(std::u16string_view piece, std::size_t units) {
    std::u16string text;
    while (text.size() < units) {
        text.append(piece);
    }
    text.resize(units);
    return text;
}

// 100 000 units whose first 999 encode within the symbol block, then table characters,
// Chinese and lower case to the end.
std::u16string LongText() {
    return Repeat(u"TEST ME 73 ", kSentUnits) + Repeat(u"QZ?@\u6469\u5C14 sos\r\n", 99001);
}

// Every C0 control, DEL, NEL, no-break space, direction marks and a byte order mark, among
// letters; line breaks of every kind.
std::u16string ControlText() {
    std::u16string piece;
    for (char16_t c = 1; c < 0x20; ++c) {
        piece.push_back(c);
        piece.push_back(u'E');
    }
    piece.append(u"\x7F\u0085\u00A0\u200F\u202E\uFEFFT\r\nA\rB\nC\u2028D\u2029");
    return Repeat(piece, 3000);
}

// Emoji (surrogate pairs) and letters, with a pair that the 999th unit cuts in half.
std::u16string EmojiText() {
    std::u16string text = Repeat(u"HI \U0001F600 ", 998);
    text.resize(998);
    // Unit 998 must start a pair; a pair the cut above split is replaced by a letter.
    if (text.back() >= kHighSurrogateFirst && text.back() <= kHighSurrogateLast) {
        text.back() = u'E';
    }
    text.append(u"\U0001F600\U0001F680 SOS");
    return text + Repeat(u"\U0001F4A9", 2000);
}

// Right-to-left Hebrew and Arabic with embedded Latin letters and digits and explicit
// direction controls.
std::u16string RightToLeftText() {
    return Repeat(u"\u05E9\u05DC\u05D5\u05DD SOS \u0645\u0631\u062D\u0628\u0627 73 \u202Bab\u202C ",
                  2500);
}

class PastedTextTest : public ::testing::TestWithParam<Route> {
  protected:
    void SetUp() override {
        platform::setResourceTable(g_resources);
        backend_->SetOutputDevices({u"Speaker"});
        audio::SetAudioBackend(backend_);
    }

    // The bytes of tone every dot and dash is cut from, as the sender synthesises it.
    static std::vector<char> Tone() {
        CMorseSender sender(WAVE_MAPPER, nullptr, FALSE);
        std::vector<char> tone(g_tone.get(), g_tone.get() + kDashBytes);
        sender.Close();
        return tone;
    }

    // The dialog's text field; the fields of dialogs closed earlier may still await deletion,
    // hidden.
    static QPlainTextEdit* Field() {
        QPlainTextEdit* field = nullptr;
        for (QWidget* widget : QApplication::allWidgets()) {
            if (auto* edit = qobject_cast<QPlainTextEdit*>(widget);
                edit != nullptr && edit->isVisible()) {
                EXPECT_EQ(field, nullptr) << "more than one text field";
                field = edit;
            }
        }
        return field;
    }

    // Puts the text into the field by the route; returns what the field should read back.
    static std::u16string Paste(CTestMainDlg& dlg, const std::u16string& text, Route route) {
        switch (route) {
            case Route::kSetWindowText:
                dlg.GetDlgItem(IDC_TEXT)->SetWindowText(text.c_str());
                return AsTheFieldKeepsIt(text);
            case Route::kInsertPlainText: {
                QPlainTextEdit* field = Field();
                field->selectAll();
                field->insertPlainText(ToQString(text));
                return AsTheFieldKeepsIt(text);
            }
            case Route::kClipboardPaste: {
                QApplication::clipboard()->setText(ToQString(text));
                QPlainTextEdit* field = Field();
                field->selectAll();
                field->paste();
                return AsTheFieldKeepsIt(Upper(text));
            }
        }
        return {};
    }

    // Plays the queue to its end, one completion at a time; returns every byte played.
    std::vector<char> PlayToTheEnd(CTestMainDlg& dlg) {
        const HWAVEOUT device = dlg.m_sender->GetDevice();
        while (dlg.m_sender != nullptr && backend_->CompleteOutput(device)) {
            EXPECT_TRUE(dlg.PumpUntil([&] {
                return dlg.m_sender == nullptr || !backend_->QueuedHeaders(device).empty();
            }));
        }
        return backend_->PlayedOutput(device);
    }

    std::vector<int> PreparedLengths() const {
        const std::string prefix = "waveOutPrepareHeader ";
        std::vector<int> lengths;
        for (const std::string& call : backend_->Calls()) {
            if (call.starts_with(prefix)) {
                lengths.push_back(std::stoi(call.substr(prefix.size())));
            }
        }
        return lengths;
    }

    void Check(const char* name, const std::u16string& text, bool cutsAPair) {
        const Route route = GetParam();
        SCOPED_TRACE(std::string(name) + " by " + NameOf(route));
        const std::vector<char> tone = Tone();
        CTestMainDlg::Run([&](CTestMainDlg& dlg) {
            const std::u16string kept = Paste(dlg, text, route);
            ASSERT_EQ(dlg.GetDlgItem(IDC_TEXT)->GetWindowTextLength(),
                      static_cast<int>(kept.size()));
            WCHAR sent[kSentUnits + 1] = {};
            ASSERT_EQ(dlg.GetDlgItem(IDC_TEXT)->GetWindowText(sent, kSentUnits + 1),
                      static_cast<int>(kSentUnits));
            const std::u16string first = kept.substr(0, kSentUnits);
            ASSERT_EQ(std::u16string_view(sent), first);
            const char16_t last = first.back();
            EXPECT_EQ(last >= kHighSurrogateFirst && last <= kHighSurrogateLast, cutsAPair);

            // The encoder's own result for the units Start reads, from a sender of its own that
            // is gone before the dialog's is made (the two would share the element sounds).
            std::u16string symbols;
            {
                CMorseSender encoder(WAVE_MAPPER, nullptr,
                                     dlg.Send(IDC_SIGNALS, BM_GETCHECK) != BST_UNCHECKED);
                SymbolString encoded = encoder.EncodeText(first.c_str());
                symbols = encoded.c_str();
                encoded.Release();
                encoder.Close();
            }
            ASSERT_FALSE(symbols.empty()) << "the case should play something";
            const std::vector<Element> elements = ElementsOf(symbols);
            std::vector<int> lengths;
            std::vector<char> expected;
            for (const Element& e : elements) {
                lengths.push_back(e.bytes);
                const std::size_t whole = static_cast<std::size_t>(e.bytes) / 2 * 2;
                if (e.tone) {
                    expected.insert(expected.end(), tone.begin(),
                                    tone.begin() + static_cast<std::ptrdiff_t>(whole));
                } else {
                    expected.insert(expected.end(), whole, '\0');
                }
            }

            backend_->ClearCalls();
            dlg.Click(IDC_START);
            ASSERT_NE(dlg.m_sender, nullptr);
            EXPECT_EQ(PreparedLengths(), lengths);
            const std::vector<char> played = PlayToTheEnd(dlg);
            EXPECT_EQ(dlg.m_sender, nullptr);
            EXPECT_EQ(dlg.Text(IDC_START), u"启动");
            EXPECT_EQ(played.size(), expected.size());
            EXPECT_TRUE(played == expected) << "the played samples differ";
        });
    }

    std::shared_ptr<audio::VirtualBackend> backend_ = std::make_shared<audio::VirtualBackend>();
};

TEST_P(PastedTextTest, AHundredThousandCharacters) {
    Check("100 000 characters", LongText(), false);
}

TEST_P(PastedTextTest, ControlCharacters) {
    Check("control characters", ControlText(), false);
}

TEST_P(PastedTextTest, EmojiWithAPairCutAtTheLastUnit) {
    Check("emoji", EmojiText(), true);
}

TEST_P(PastedTextTest, RightToLeftText) {
    Check("right-to-left", RightToLeftText(), false);
}

INSTANTIATE_TEST_SUITE_P(Routes, PastedTextTest,
                         ::testing::Values(Route::kSetWindowText, Route::kInsertPlainText,
                                           Route::kClipboardPaste),
                         [](const ::testing::TestParamInfo<Route>& info) {
                             return std::string(NameOf(info.param));
                         });

}  // namespace
