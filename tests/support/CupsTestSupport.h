#pragma once
// What the real-queue tests share: one private scheduler per test process, and the words
// of the PDF the queue wrote, with their boxes turned back into the page's own frame.

#include "support/CupsServer.h"

#include <QString>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A word of the queue's PDF in millimetres on the page as the document lays it out: when
// the queue turned a landscape page onto an upright sheet, the box is turned back.
struct TPlacedWord {
    QString Text;
    double Left = 0;
    double Top = 0;
};

struct TQueuedPage {
    double Width = 0; // millimetres, in the page's own frame
    double Length = 0;
    bool Turned = false; // the sheet lies across the page
    std::vector<TPlacedWord> Words;
};

// The pages of the PDF at path (pdftotext -bbox), each read in the frame of a page
// landscape or not; empty when the file cannot be read.
std::vector<TQueuedPage> ReadQueuedPdf(const QString &path, bool landscapePage, QString *error);

// Finds word on page; fails the test when it is missing.
const TPlacedWord *FindWord(const TQueuedPage &page, const QString &word);

class TCupsTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { Server = std::make_unique<TCupsServer>(); }
    static void TearDownTestSuite() { Server.reset(); }
    // A scheduler that cannot start fails the test; it never skips it.
    void SetUp() override
    {
        ASSERT_TRUE(Server->Error().isEmpty()) << Server->Error().toStdString();
    }

    static inline std::unique_ptr<TCupsServer> Server;
};
