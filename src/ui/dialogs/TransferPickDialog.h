// Base of the Send File and Receive File dialogs: a path typed, pasted or
// chosen with Browse, a protocol list and an OK button enabled once there is a
// path; OK refuses a path that does not fit, with a message, and stays open.
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

class QComboBox;
class QGridLayout;
class QLineEdit;
class QPushButton;

namespace kestrelon {

class CTransferPickDialog : public QDialog {
    Q_OBJECT
public:
    // Asks the user for a path starting at the given one; "" when cancelled.
    using Browser = std::function<QString(QWidget* parent, const QString& start)>;

    // The chosen protocol (PROTOCOL_*), the list's after OK.
    int Protocol() const { return m_protocol; }
    QString Path() const;
    QLineEdit* PathEdit() const { return m_path; }
    QComboBox* ProtocolList() const { return m_list; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* BrowseButton() const { return m_browse; }
    void SetBrowser(Browser browser) { m_browser = std::move(browser); }

protected:
    // `protocols` in the order listed; `preselect` is chosen when listed.
    CTransferPickDialog(const QString& title, const QString& pathLabel, const QString& okText, const QString& path,
                        const std::vector<int>& protocols, int preselect, int noneChosen, Browser browser,
                        QWidget* parent);
    // What Browse's answer becomes in the field (a directory gets its '/').
    virtual QString Normalised(const QString& chosen) const { return chosen; }
    // Why OK cannot take the path and what else the dialog holds; empty when it can.
    virtual QString Refusal(const QString& path) const = 0;
    // A labelled field of a subclass, between the protocol list and the buttons.
    void AddField(const QString& label, QWidget* field);

private:
    void Browse();
    void Confirm();

    QGridLayout* m_grid = nullptr;
    int m_fieldRows = 0;
    QLineEdit* m_path = nullptr;
    QComboBox* m_list = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_browse = nullptr;
    Browser m_browser;
    int m_protocol;
};

} // namespace kestrelon
