// Helpers shared by the view widget tests: a message target that records what
// a view posts, pixel searches over a grabbed image, and the text of a printout.
#pragma once

#include "document/ByteBlock.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPrinter>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace kestrelon::test {

// Records posted WM_TERMINAL messages as text: "4:13" for a byte, "5:" and the
// string for a constant string, "6:" and the bytes for a block, "8:" for a paced one.
class CRecordingTarget : public IMessageTarget {
public:
    void Post(CMessage message) override { Record(message); }
    std::intptr_t Send(CMessage message) override
    {
        Record(message);
        return 0;
    }
    std::vector<std::string> messages;

private:
    void Record(CMessage& message)
    {
        if (message.message != WM_TERMINAL) {
            messages.push_back("other");
            return;
        }
        switch (static_cast<int>(message.wParam)) {
        case TC_SEND_BYTE:
            messages.push_back("4:" + std::to_string(message.lParam));
            break;
        case TC_SEND_STRING:
            messages.push_back("5:" + std::string(reinterpret_cast<const char*>(message.lParam)));
            break;
        case TC_SEND_BLOCK:
        case TC_SEND_PACED: {
            auto block = message.TakePayload<CByteBlock>();
            messages.push_back(block ? std::to_string(message.wParam) + ":" + std::string(reinterpret_cast<const char*>(block->data()),
                                                          static_cast<std::size_t>(block->length()))
                                     : "6:none");
            break;
        }
        default:
            messages.push_back("code " + std::to_string(message.wParam));
            break;
        }
    }
};

// A key press and what the view posts for it, after `modes` were received.
struct CKeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    std::vector<std::string> sent;
    std::string modes = {};
};

inline std::vector<std::string> PostedForKey(QWidget& view, CRecordingTarget& frame, const CKeyCase& c)
{
    frame.messages.clear();
    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, c.text);
    QApplication::sendEvent(&view, &press);
    return frame.messages;
}

// Received bytes and the answers the view posts: only the shown view answers,
// only with answers on, and never to its own echo.
struct CReplyCase {
    const char* name;
    bool active;
    std::string received;
    std::vector<std::string> sent;
    COLORREF colour = RECEIVE_COLOUR;
    bool answers = true;
};

// Number of pixels inside `area` of exactly `rgb`.
inline int CountPixels(const QImage& image, const QRect& area, QRgb rgb)
{
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF))
                ++count;
    return count;
}

// A fixed-pitch font record as the font dialog writes it.
inline LOGFONTA LogFont(const char* face, std::int32_t height, std::int32_t weight = 700, std::uint8_t italic = 0)
{
    LOGFONTA font{};
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = italic;
    font.lfCharSet = 1;
    font.lfPitchAndFamily = 0x21;
    std::strncpy(font.lfFaceName, face, sizeof font.lfFaceName - 1);
    return font;
}

// Received data as one block through the document's channel.
inline void Receive(CKestronDoc& doc, const std::string& bytes, COLORREF colour = RECEIVE_COLOUR)
{
    doc.AddBlock(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::int32_t>(bytes.size()), colour);
}

// A high-resolution printer that writes a PDF file.
inline void PrintToPdf(QPrinter& printer, const std::string& path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
}

// The text of each page of a PDF file, laid out as printed.
inline std::vector<std::string> PdfPageTexts(const std::string& pdf)
{
    const QString tool = QStandardPaths::findExecutable("pdftotext");
    if (tool.isEmpty()) {
        ADD_FAILURE() << "pdftotext is missing: install the poppler-utils package";
        return {};
    }
    QProcess process;
    process.start(tool, {"-layout", QString::fromStdString(pdf), "-"});
    process.waitForFinished(30000);
    const std::string text = process.readAllStandardOutput().toStdString();
    std::vector<std::string> pages;
    std::size_t start = 0;
    for (std::size_t feed; (feed = text.find('\f', start)) != std::string::npos; start = feed + 1)
        pages.push_back(text.substr(start, feed - start));
    return pages;
}

// Whether every part is found in `text`, each after the one before it.
inline ::testing::AssertionResult InOrder(const std::string& text, std::initializer_list<std::string> parts)
{
    std::size_t from = 0;
    for (const std::string& part : parts) {
        from = text.find(part, from);
        if (from == std::string::npos)
            return ::testing::AssertionFailure() << "\"" << part << "\" missing or out of order in:\n" << text;
        from += part.size();
    }
    return ::testing::AssertionSuccess();
}

} // namespace kestrelon::test
