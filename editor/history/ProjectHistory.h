#pragma once

// The steps of the project the user can go back and forth between: a list of snapshots, the one
// shown now, and the one last saved (or opened, or made by New). Each snapshot after the first
// is named after the step that led to it ("文字盤の読み込み").
//
// The modified flag along the history is the one the commands themselves leave: a step whose
// command marks the project modified is modified unless it is the saved snapshot; a step whose
// command leaves the flag as it was (a built-in picture put back, the hands shown over the
// transparent parts, New's reset of the options) has the flag of the step before it.
//
// Limits: at most kMaxHistorySteps steps back, and at most kMaxHistoryBytes of picture and
// slot bytes held by the whole history (bytes shared between snapshots count once); the oldest
// steps go first. The snapshot shown now is always kept.

#include "editor/history/ProjectSnapshot.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace dw {

constexpr int kMaxHistorySteps = 200;
constexpr int64_t kMaxHistoryBytes = int64_t(512) << 20;

class ProjectHistory {
public:
    explicit ProjectHistory(int maxSteps = kMaxHistorySteps, int64_t maxBytes = kMaxHistoryBytes)
        : m_maxSteps(maxSteps), m_maxBytes(maxBytes)
    {
    }
    int maxSteps() const { return m_maxSteps; }
    int64_t maxBytes() const { return m_maxBytes; }

    // A fresh history of one snapshot, which is also the saved one.
    void reset(ProjectSnapshot snapshot);

    // A step of the user's: `snapshot` follows the current one, and the steps that could be
    // redone go. Nothing happens when it is the same project as the current snapshot; returns
    // whether a step was added. With `amend`, the last step is replaced instead when it has the
    // same name and was amendable (a run of typing in one field). `marksModified`: the command
    // set the modified flag (else it left the flag as it was).
    bool record(ProjectSnapshot snapshot, const QString& name, bool amend = false, bool marksModified = true);
    // Ends a run of typing: the next typing is a step of its own.
    void closeRun() { m_runOpen = false; }

    bool canUndo() const { return m_current > 0; }
    bool canRedo() const { return m_current + 1 < m_steps.size(); }
    // The names of the step undo would take back and redo would do again; empty when none.
    QString undoName() const;
    QString redoName() const;
    // Moves one step back or forward; the snapshot to show. Nothing when there is no step.
    std::optional<ProjectSnapshot> undo();
    std::optional<ProjectSnapshot> redo();

    const ProjectSnapshot& current() const { return m_steps.at(m_current).snapshot; }
    // The project shown is the one last saved, opened or made by New.
    bool atSavedState() const { return m_saved && *m_saved == m_current; }
    // The current snapshot is now the saved one (after a save).
    void markSaved() { m_saved = m_current; }
    // No snapshot is the saved one (a project brought back from a recovery copy).
    void forgetSaved() { m_saved.reset(); }
    // The modified flag of the snapshot shown now (see above).
    bool modified() const;

    size_t stepCount() const { return m_steps.size(); }
    // The picture and slot bytes the history holds, each shared buffer once.
    int64_t heldBytes() const;

private:
    struct Step {
        ProjectSnapshot snapshot;
        QString name; // of the step that led here
        // Whether that step's command set the modified flag; the first step's: whether the
        // project differs from the saved one when it is not the saved snapshot.
        bool marksModified = true;
    };
    bool modifiedAt(size_t step) const;
    void dropOldest();

    int m_maxSteps;
    int64_t m_maxBytes;
    std::vector<Step> m_steps;
    size_t m_current = 0;
    std::optional<size_t> m_saved;
    bool m_runOpen = false;
};

} // namespace dw
