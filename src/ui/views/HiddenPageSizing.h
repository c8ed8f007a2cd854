// Keeps a hidden page of the window's view stack at the stack's size. The
// stack lays out only the page it shows, so a hidden Terminal view would keep
// the size it was made with and format what arrives meanwhile for a screen of
// the smallest width: the greeting of a board, read later, wrapped at 20 columns.
#pragma once

#include <QObject>

class QWidget;

namespace kestrelon {

class CHiddenPageSizing : public QObject {
    Q_OBJECT
public:
    // Owned by `page`; follows whichever stack the page is put in.
    explicit CHiddenPageSizing(QWidget* page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Follow();

    QWidget* m_page;
};

} // namespace kestrelon
