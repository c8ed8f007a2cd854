// Function-key level stepping and bar layout.
#include "automation/FunctionKeys.h"

#include "document/KestronDoc.h"

namespace kestrelon {

std::string FkeyNumberText(int index)
{
    if (index < 0 || index >= FKEY_COUNT)
        return {};
    return std::to_string(index / FKEYS_PER_LEVEL) + "/" + std::to_string(index % FKEYS_PER_LEVEL);
}

FunctionKeyTexts FunctionKeyTexts::FromDocument(const CKestronDoc& doc)
{
    FunctionKeyTexts texts;
    texts.labels = doc.fkeyLabel;
    texts.commands = doc.fkeyCommand;
    return texts;
}

void FunctionKeyTexts::ApplyTo(CKestronDoc& doc) const
{
    doc.fkeyLabel = labels;
    doc.fkeyCommand = commands;
    doc.SetModifiedFlag();
}

namespace {

int StepFkeyLevel(const CKestronDoc& doc, int level, int step)
{
    if (level < 0 || level >= FKEY_LEVELS)
        level = 0;
    for (int i = 1; i < FKEY_LEVELS; ++i) {
        const int candidate = ((level + step * i) % FKEY_LEVELS + FKEY_LEVELS) % FKEY_LEVELS;
        if (!doc.IsFkeyLevelEmpty(candidate))
            return candidate;
    }
    return level;
}

} // namespace

int NextFkeyLevel(const CKestronDoc& doc, int level)
{
    return StepFkeyLevel(doc, level, +1);
}

int PreviousFkeyLevel(const CKestronDoc& doc, int level)
{
    return StepFkeyLevel(doc, level, -1);
}

FkeyBarLayout LayoutFkeyBar(int width, int left, int top, int rowHeight)
{
    const int unit = width > 3 ? (width - 3) / 11 : 0;
    FkeyBarLayout layout{};
    for (int key = 0; key < 10; ++key) {
        const int column = key / 2;
        const int row = key % 2;
        layout[static_cast<std::size_t>(key)] = {left + column * 2 * unit, top + row * rowHeight, 2 * unit, rowHeight};
    }
    layout[FKEY_BAR_LEVEL_UP] = {left + 10 * unit, top, unit, rowHeight};
    layout[FKEY_BAR_LEVEL_DOWN] = {left + 10 * unit, top + rowHeight, unit, rowHeight};
    return layout;
}

} // namespace kestrelon
