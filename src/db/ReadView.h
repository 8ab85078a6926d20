#pragma once

namespace sollist::db {

class TIBCConnection;

// While it lives, every statement of the connection runs in one read-only snapshot
// transaction, begun with the view: what they read is the database as committed at that
// moment, so rows a user changes meanwhile are read either all old or all new, never mixed.
// Writes of global temporary tables (SOLLTAT) are allowed in it and belong to it; any other
// write fails. Meant to be short, one order's reading: a snapshot held open keeps back the
// garbage collection of what others delete. A unit of work may be open meanwhile: its writes
// come after the view ends.
class TIBCReadView {
public:
    explicit TIBCReadView(TIBCConnection& connection); // EDatabaseError when one is open already
    ~TIBCReadView();                                   // ends it, as End
    TIBCReadView(const TIBCReadView&) = delete;
    TIBCReadView& operator=(const TIBCReadView&) = delete;
    // Ends the view (its transaction committed: it changed nothing lasting); statements run in
    // the default transaction again.
    void End();

private:
    TIBCConnection& connection_;
};

} // namespace sollist::db
