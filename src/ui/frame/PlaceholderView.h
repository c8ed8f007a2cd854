// An empty terminal view that stands in the view switching for a view the
// program does not have yet. It takes the document's hints like any view, and
// counts them, so the switching and the data channel work end to end.
#pragma once

#include "document/DataChannel.h"

#include <QWidget>

namespace kestrelon {

class CPlaceholderView : public QWidget, public IDocumentView {
    Q_OBJECT
public:
    explicit CPlaceholderView(const QString& name, QWidget* parent = nullptr);
    void OnUpdate(const CUpdateHint& hint) override;
    int HintCount() const { return m_hints; }
    Hint LastHint() const { return m_lastHint; }

private:
    int m_hints = 0;
    Hint m_lastHint = HINT_RESET;
};

} // namespace kestrelon
