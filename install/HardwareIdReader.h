#pragma once
// Reads the hardware-ID property of one device after another into one buffer, never past the bytes
// the platform returned: a value that lacks its terminating zeros ends at the last byte. The scan
// and the present-device search read alike and differ in their rules (see the constants below).

#include <vector>

#include "platform/CString.h"
#include "platform/DeviceServices.h"

class CHardwareIdReader {
public:
  enum Outcome {
    Read,
    NoHardwareIds, // the device has no such property
    Unusable,      // asks for more than the largest size, or for no more room than it was given
    Failed,        // failed for another reason than size or absence
  };
  // The first read offers firstSize bytes; the buffer grows to what the platform asks, up to maxSize.
  CHardwareIdReader(DWORD firstSize, DWORD maxSize) : m_firstSize(firstSize), m_maxSize(maxSize) {}

  Outcome ReadDevice(HDEVINFO set, SP_DEVINFO_DATA &device);
  CString First() const;                // the first string, or empty
  std::vector<CString> Strings() const; // in order, up to the first empty one

private:
  std::vector<BYTE> m_buffer;
  size_t m_size = 0; // bytes of the last read
  DWORD m_firstSize;
  DWORD m_maxSize;
};

// The scan's rule: one read into a 2000-byte buffer (a longer value skips the device), and only the
// first string counts, matched by prefix (MatchHardwareId).
const DWORD kScanPropertySize = 2000;
// The present-device search's rule: the buffer grows from nothing, up to this size, and every string
// counts, matched exactly.
const DWORD kSearchPropertyMaxSize = 1024 * 1024;
