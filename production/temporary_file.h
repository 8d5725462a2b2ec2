// A file written under a temporary name beside its final one and renamed to it once complete,
// so the final name never holds a partial file and an earlier file of that name survives a
// failure. The temporary name is new and random (".NAME.XXXXXX.EXT", made with O_EXCL by
// mkstemps), so no link planted at a fixed name is ever followed. Until committed the file is
// listed for removal by a second stop signal (recording_signals.h) and removed when dropped.
#pragma once

#include <string>

class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile() { Discard(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the temporary for `finalPath`, open for writing. False with errno set.
    bool Create(const std::string& finalPath);

    // The open descriptor (-1 once taken or closed), and the temporary's name.
    int Descriptor() const { return m_fd; }
    const std::string& Path() const { return m_path; }

    // Hands the descriptor over to the caller, who closes it.
    int TakeDescriptor();

    // Closes the descriptor if still held and renames the file onto its final name. False
    // with errno set (the temporary is then removed).
    bool Commit();

    // Closes and removes the temporary (nothing once committed).
    void Discard();

private:
    std::string m_final;
    std::string m_path;
    int m_fd = -1;
};

// The folder part of `path` with its slash ("./" for a bare name), so that a name joined to it
// never begins with '-'; and the name after it.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
