#include "DeviceWatch.h"

#include "DeviceQuery.h"

void DeviceWatch::Record(unsigned long sequence) const {
  const std::string head = std::to_string(sequence) + '\t';
  std::string lines;
  const bool listed = ForEachPresentDevice([&](HDEVINFO set, SP_DEVINFO_DATA &device, const std::vector<std::string> &ids) {
    if (ListsPrefix(ids, m_prefix))
      lines += head + DescribeDevice(set, device, ids) + '\n';
  });
  if (!listed)
    lines = head + "! no device list\n";
  else if (lines.empty())
    lines = head + "-\n";
  std::fwrite(lines.data(), 1, lines.size(), m_output);
  std::fflush(m_output);
}
