// The show's cues, kept, edited and fired. Every edit of the list is an undo step, and so is
// firing a cue (its undo puts back the values before it and sends them, paced). A fire moves
// the continuous values of the cue's scope from where they are to the cue's over its fade,
// switching discrete ones at the start; every value goes out through the processor link, so
// the cable stays fair to all channels and the last value of each controller is the cue's.
// Values outside the running cue's scope stay free for live sources. Nothing runs while no
// fade does.
#pragma once

#include "model/Cue.h"
#include "model/CueFade.h"
#include "model/CueList.h"
#include "model/FileResult.h"
#include "model/ShowFile.h"

#include <QObject>
#include <QString>

#include <bitset>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CControllerDoc;
class CProcessorLink;
class CUndoHistory;
class QTimer;

class CCueEngine : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    // A fade steps this often: more than the cable can carry for eight moving sources, so
    // every source moves on the wire as often as its turn comes.
    static constexpr int kStepMs = 10;

    // All three must outlive this object. `now` is the clock fades run on (tests pass their own).
    CCueEngine(CControllerDoc& doc, CProcessorLink& link, CUndoHistory& history,
               std::function<Clock::time_point()> now = Clock::now, QObject* parent = nullptr);
    ~CCueEngine() override;

    const CueList& List() const { return m_list; }
    const std::vector<Cue>& Cues() const { return m_list.Cues(); }

    // Edits; each is one undo step. Record stores the document's current values of the scope
    // as a new cue after index `after` (CueList::kAtFront for the first place) and returns its
    // index; nothing when the list is full.
    std::optional<std::size_t> Record(std::ptrdiff_t after, std::bitset<8> channels,
                                      std::bitset<Cue::kGroups> groups, int fadeTenths = 0,
                                      CuePath path = CuePath::Straight, std::string name = {});
    bool Update(std::size_t index);
    bool Delete(std::size_t index);
    bool MoveUp(std::size_t index);
    bool MoveDown(std::size_t index);
    // Replaces the cue's name, fade, path and scope (its values stay).
    bool Edit(std::size_t index, const Cue& changed);

    // Firing. Fire starts cue `index` from wherever the values are (a running fade stops
    // where it stands first); Go fires the cue standing by, Back the one before the live one.
    bool Fire(std::size_t index);
    bool Go();
    bool Back();
    // Freezes a running fade where it stands.
    void Stop();
    // The cue last fired, and the one Go fires next; nothing when there is none.
    std::optional<std::size_t> LiveIndex() const { return m_live; }
    std::optional<std::size_t> StandbyIndex() const;
    bool Running() const { return !m_fade.Done(); }
    // 0 to 1 through the running fade; 1 when none runs.
    double Progress() const;

    // The show file the list came from or was saved to; empty when none.
    const std::string& FileName() const { return m_fileName; }
    // Whether the list differs from what its file holds (or holds cues without a file).
    bool IsModified() const { return m_modified; }
    // Replaces the list by the file's cues; what was wrong with it is in the result's problems.
    // A file that cannot be read leaves the list as it was.
    ShowRead Open(const std::string& path);
    FileResult Save(const std::string& path);
    // The list as a show file's text, for the recovery journal and a session, and back.
    std::string Text() const;
    // `fileName` is the show file the list belongs to from now on; empty for none.
    void Restore(const Show& show, bool modified, std::string fileName = {});

signals:
    // The list, a name or the file changed.
    void listChanged();
    // The live cue, the one standing by, or whether a fade runs changed.
    void stateChanged();
    // A fade step: how far through it is.
    void progressed(double progress);

private:
    class ListStep;
    // An edit of the list is done: it becomes an undo step and the windows hear of it.
    void Commit(const QString& text, std::vector<Cue> before);
    void ApplyStep(const CueFade::Values& values);
    // The patchbay's section goes out when a step changes a route.
    void SendRoutes(const CueFade::Values& values);
    void OnStep();
    void EndFire();
    void SetList(std::vector<Cue> cues, bool modified);
    Show CurrentShow() const;

    CControllerDoc& m_doc;
    CProcessorLink& m_link;
    CUndoHistory& m_history;
    std::function<Clock::time_point()> m_now;
    CueList m_list;
    CueFade m_fade;
    QTimer* m_timer;
    std::optional<std::size_t> m_live;
    std::vector<UnknownKey> m_unknownKeys;
    std::map<double, std::vector<UnknownKey>> m_unknownCueKeys;
    std::string m_fileName;
    bool m_modified = false;
    // The values before the fire in progress, for its undo step.
    std::vector<std::pair<ParameterKey, int>> m_beforeFire;
    QString m_fireText;
    Clock::time_point m_fireStart;
    Clock::duration m_fireLength{};
};
