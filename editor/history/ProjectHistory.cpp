#include "editor/history/ProjectHistory.h"

#include <unordered_set>

namespace dw {

void ProjectHistory::reset(ProjectSnapshot snapshot)
{
    m_steps.clear();
    m_steps.push_back({std::move(snapshot), QString(), true});
    m_current = 0;
    m_saved = 0;
    m_runOpen = false;
}

bool ProjectHistory::record(ProjectSnapshot snapshot, const QString& name, bool amend, bool marksModified)
{
    if (m_steps.empty()) {
        reset(std::move(snapshot));
        return false;
    }
    if (snapshot.sameAs(current()))
        return false;
    const bool onTop = m_current + 1 == m_steps.size();
    if (amend && m_runOpen && onTop && m_current > 0 && m_steps[m_current].name == name
        && !(m_saved && *m_saved == m_current)) {
        // A run taken back whole (the field's own undo) is no step at all.
        if (snapshot.sameAs(m_steps[m_current - 1].snapshot)) {
            m_steps.pop_back();
            --m_current;
            m_runOpen = false;
        } else {
            m_steps[m_current].snapshot = std::move(snapshot);
            m_steps[m_current].marksModified = m_steps[m_current].marksModified || marksModified;
        }
        return true;
    }
    m_steps.resize(m_current + 1);
    if (m_saved && *m_saved > m_current)
        m_saved.reset(); // the saved state was undone and is now out of reach
    m_steps.push_back({std::move(snapshot), name, marksModified});
    m_current = m_steps.size() - 1;
    m_runOpen = amend;
    dropOldest();
    return true;
}

bool ProjectHistory::modifiedAt(size_t step) const
{
    for (size_t k = step;; --k) {
        if (m_saved && *m_saved == k)
            return false;
        if (m_steps[k].marksModified)
            return true;
        if (k == 0)
            return false;
    }
}

bool ProjectHistory::modified() const { return modifiedAt(m_current); }

QString ProjectHistory::undoName() const { return canUndo() ? m_steps[m_current].name : QString(); }

QString ProjectHistory::redoName() const { return canRedo() ? m_steps[m_current + 1].name : QString(); }

std::optional<ProjectSnapshot> ProjectHistory::undo()
{
    if (!canUndo())
        return std::nullopt;
    m_runOpen = false;
    return m_steps[--m_current].snapshot;
}

std::optional<ProjectSnapshot> ProjectHistory::redo()
{
    if (!canRedo())
        return std::nullopt;
    m_runOpen = false;
    return m_steps[++m_current].snapshot;
}

int64_t ProjectHistory::heldBytes() const
{
    std::unordered_set<const void*> seen;
    int64_t total = 0;
    auto count = [&](const SharedBytes& b) {
        if (b && seen.insert(b.get()).second)
            total += int64_t(b->size());
    };
    for (const Step& s : m_steps) {
        for (const SharedBytes& b : s.snapshot.pictures)
            count(b);
        for (const SharedBytes& b : s.snapshot.records)
            count(b);
    }
    return total;
}

void ProjectHistory::dropOldest()
{
    // The current snapshot stays whatever it costs; older ones go while there are too many or
    // they hold too much.
    size_t drop = 0;
    if (m_steps.size() > size_t(m_maxSteps) + 1)
        drop = m_steps.size() - size_t(m_maxSteps) - 1;
    drop = std::min(drop, m_current);
    auto erase = [this](size_t n) {
        if (n == 0)
            return;
        // The new first step keeps the flag it has now, also when the save it follows goes; as
        // the saved snapshot, it differs from the file once another one is saved.
        m_steps[n].marksModified = (m_saved && *m_saved == n) || modifiedAt(n);
        m_steps.erase(m_steps.begin(), m_steps.begin() + std::ptrdiff_t(n));
        m_current -= n;
        if (m_saved)
            m_saved = *m_saved >= n ? std::optional<size_t>(*m_saved - n) : std::nullopt;
    };
    erase(drop);
    while (m_current > 0 && heldBytes() > m_maxBytes)
        erase(1);
}

} // namespace dw
