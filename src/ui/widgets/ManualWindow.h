// The user manual in a window of its own: the Markdown manual built into the
// program, opened at the top or at one section.
#pragma once

#include <QWidget>

class QLineEdit;
class QTextBrowser;

namespace kestrelon {

class CManualWindow : public QWidget {
    Q_OBJECT
public:
    // Where the program carries the manual.
    static constexpr const char* RESOURCE = "qrc:/docs/manual.md";

    // Shows the manual beside the window of `from` (a dialog or the main
    // window) with `heading` at the top of the page; an empty heading, or one
    // the manual does not have, shows the beginning. The window belongs to
    // that window, so it also answers while a modal dialog runs, and one
    // window per owner is reused.
    static CManualWindow* ShowTopic(QWidget* from, const QString& heading = {});

    // Scrolls so that the section under `heading` starts the page. False when
    // there is no such section.
    bool ScrollToHeading(const QString& heading);
    QTextBrowser* Browser() const { return m_browser; }
    // The find field above the text: Enter finds the next match, Shift+Enter
    // the one before, both wrapping round; Ctrl+F goes there, Escape closes.
    QLineEdit* FindField() const { return m_find; }
    // Selects the next (or previous) match of the find field's text; false
    // when the manual has none.
    bool FindStep(bool forward);

private:
    explicit CManualWindow(QWidget* owner);

    QTextBrowser* m_browser;
    QLineEdit* m_find;
};

} // namespace kestrelon
