// The find bar under the terminal view: the text, "Match case", previous and
// next, and "No match" when a search finds nothing. It only asks; the main
// window runs the search in the active view.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kestrelon {

class CFindBar : public QWidget {
    Q_OBJECT
public:
    explicit CFindBar(QWidget* parent = nullptr);

    // Shows the bar with its text selected for typing over.
    void Open();
    QString Text() const;
    bool MatchCase() const;
    void ShowResult(bool found);

signals:
    // The text or the case switch changed: search again from the current match.
    void patternChanged();
    void stepRequested(bool forward);
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_text = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QLabel* m_result = nullptr;
};

} // namespace kestrelon
