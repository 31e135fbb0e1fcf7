#pragma once

#include <dl_writer_ascii.h>

#include <map>
#include <string>

namespace quarvel {

class AtomicFile;

// dxflib's writer, made to write to the atomic writer's file instead of a
// file of its own, with the numbers formatted alike on every system and in
// every locale, and text in code page 936 ($DWGCODEPAGE ANSI_936). dxflib
// writes through the virtual calls of its writer, which is what its ASCII
// writer is meant to be derived for; the file that writer would open by name
// gets none (an empty name opens nothing).
class DxfOut : public DL_WriterA {
public:
    explicit DxfOut(AtomicFile& file);

    void dxfReal(int code, double value) const override;
    void dxfInt(int code, int value) const override;
    void dxfHex(int code, int value) const override;
    void dxfString(int code, const char* value) const override;
    void dxfString(int code, const std::string& value) const override;

    // From here on (the OBJECTS section) each object names its owner, the
    // dictionary that lists it, which dxflib leaves out and CAD programs'
    // audits then repair.
    void TrackOwners() { m_trackOwners = true; }

    // Writes what is left; false when the file failed.
    bool Finish() const;

private:
    void Code(int code) const;
    void FlushSometimes() const;
    void Flush() const;

    AtomicFile& m_file;
    mutable std::string m_buffer;
    mutable bool m_failed = false;
    bool m_trackOwners = false;
    mutable std::string m_objectType;
    mutable int m_object = 0;
    mutable std::map<int, int> m_owners; // an object's handle to its dictionary's
};

} // namespace quarvel
