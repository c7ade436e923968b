#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv {

class TMemIniFile;

// Raised by the start-up check when a protected file can be neither trusted
// nor brought back; the text is the one the installer sees in the log.
class EIniBackup : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The protected settings files, in the order they are checked.
const std::vector<std::string>& ProtectedIniFiles();

// The backup ring: ten older copies "<base><digit>.ini" beside the backup.
inline constexpr int kRingSlots = 10;
struct TRingSlots {
    std::array<bool, kRingSlots> present{};
    // Modification times, only compared with each other.
    std::array<int64_t, kRingSlots> time{};
};
// The slot the next older copy goes to: the first free one; with every slot
// taken (a ring left full by a power cut or by hand), the oldest.
int RingSlotToWrite(const TRingSlots& ring);
// The order in which the ring's copies are tried on a restore, newest first:
// backwards from the slot before the first free one, wrapping round; with
// every slot taken, by time.
std::vector<int> RingRestoreOrder(const TRingSlots& ring);

// Copies a file in blocks of 8192 bytes into a temporary file beside the
// destination, flushes it to disk and renames it over the destination, so
// the destination is always the old or the whole new copy. Makes missing
// destination folders. Raises "Error raised while attempting to open file %s"
// with the path that could not be opened or written. True when copied.
bool FileCopy(const std::string& source, const std::string& destination);

// Keeps the protected INI files: every start checks each one's stamp and
// brings back a damaged or missing file from "INI_Backup" (the backup, then
// the ring of older copies, newest first); every normal end refreshes the
// backups.
class TINIBacker {
public:
    explicit TINIBacker(std::vector<std::string> baseNames);
    ~TINIBacker();
    TINIBacker(const TINIBacker&) = delete;
    TINIBacker& operator=(const TINIBacker&) = delete;

    // Start-up, before any protected file is opened. From here on every save
    // of a protected file carries its stamp. Raises EIniBackup with the fatal
    // text when a file cannot be trusted or restored.
    void CheckAll(const std::string& iniDirectory);
    // Shutdown: refreshes the backup of each file that passed CheckAll. Logs
    // what goes wrong; never raises.
    void BackupAll() noexcept;

    // Saves an open cache of a protected file with a fresh stamp and replaces
    // the caller's cache by one read from the saved file.
    static void Restamp(std::unique_ptr<TMemIniFile>& cache);

    // One file each (base name without ".ini"); CheckAll and BackupAll use them.
    void Check(const std::string& base);
    void Backup(const std::string& base);
    bool Restore(const std::string& base);
    bool Verify(const std::string& base) const;
    bool Trusted(const std::string& base) const;
    void Stamp(const std::string& base);
    bool AnyBackup(const std::string& base) const;

    std::string FilePath(const std::string& base) const;
    std::string BackupPath(const std::string& base) const;
    std::string RingPath(const std::string& base, int slot) const;
    std::string RejectedPath(const std::string& base) const;
    const std::string& Directory() const { return fDir; }
    // Files that passed CheckAll (and only those are backed up at the end).
    bool Passed(const std::string& base) const { return fPassed.count(base) != 0; }

private:
    TRingSlots Ring(const std::string& base) const;
    void RemoveStaleTemporaries(const std::string& base) const;

    std::vector<std::string> fBaseNames;
    std::string fDir;
    std::set<std::string> fPassed;
};

} // namespace orv
