// The bar of ten function keys and the two level buttons along the main window.
// It shows the titles of one level; a key click asks the frame to send the key's
// command (SendTextRequested) and to give the keyboard back to the view.
#pragma once

#include <QWidget>

#include <array>
#include <string>

class QPushButton;

namespace kestrelon {

class CKestronDoc;

class CFunctionKeyBar : public QWidget {
    Q_OBJECT
public:
    explicit CFunctionKeyBar(QWidget* parent = nullptr);

    // The document whose keys are shown; null shows empty captions.
    void SetDocument(const CKestronDoc* doc);
    int Level() const { return m_fkeyLevel; }
    void SetLevel(int level);

    // Captions of the current level (after Level +/-, a new document, and
    // TC_REFRESH_FKEYS).
    void RefreshFkeyBar();
    // The ten keys only: the levels can be browsed without a connection.
    void EnableFkeys(bool enable);

    void LevelUp();
    void LevelDown();
    void PressKey(int key);

    QPushButton* KeyButton(int key) const { return m_keys.at(static_cast<std::size_t>(key)); }
    QPushButton* LevelUpButton() const { return m_levelUp; }
    QPushButton* LevelDownButton() const { return m_levelDown; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void SendTextRequested(const std::string& text);
    void FocusViewRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPushButton* MakeButton(const QString& text);
    int RowHeight() const;

    const CKestronDoc* m_doc = nullptr;
    int m_fkeyLevel = 0;
    std::array<QPushButton*, 10> m_keys{};
    QPushButton* m_levelUp = nullptr;
    QPushButton* m_levelDown = nullptr;
};

} // namespace kestrelon
