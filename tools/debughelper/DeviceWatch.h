#pragma once
// For the end-to-end tests: at each trace text, which devices of interest are present. The sender
// waits while the viewer takes its text, so what is recorded is the device tree exactly at the
// moment the application traced.

#include <cstdio>
#include <string>

class DeviceWatch {
public:
  // Watches the present devices with a hardware ID beginning with idPrefix (letter case ignored).
  DeviceWatch(const std::string &idPrefix, FILE *output) : m_prefix(idPrefix), m_output(output) {}
  // Appends "<seq>\t<device line>" for each such device, or "<seq>\t-" when there is none (or
  // "<seq>\t! no device list" when the list could not be read).
  void Record(unsigned long sequence) const;

private:
  std::string m_prefix;
  FILE *m_output;
};
