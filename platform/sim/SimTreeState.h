#pragma once
// What the simulated tree's API families share: its nodes and sets, fault injection, the class and
// identifier helpers, and the one table of the differences between its Windows and Wine modes.

#include <cstring>
#include <deque>
#include <unordered_set>

#include "platform/sim/SimDeviceTree.h"
#include "platform/sim/SimInfText.h"

// Where the two modes differ, one row each: Windows as documented, Wine 8.0 as measured.
struct SimModeRules {
  bool successClearsCode; // a successful call sets the last-error code to 0
  bool listsEveryNode;    // enumeration and the driver update see every node, present or not,
                          // registered or not
  bool infClassAsWine;    // the INF class is read as Wine does (profile reader, loose forms; see
                          // SimInfClass.cpp)
  bool updateChecksWork;  // the driver update fails when it cannot do its work (bad arguments,
                          // flags or INF, no device, an ID longer than a device ID, no model, not
                          // better); otherwise it succeeds with code 0 whatever happened, ignoring flags
  bool updateIgnoresCase; // the driver update compares hardware IDs without letter case
  bool truncatedNameEnds; // a module file name cut short still ends with a zero byte
  bool refusesInstalls;   // an install is refused when not elevated, for an untrusted package, or
                          // while another one runs
};

inline const SimModeRules &RulesFor(SimMode mode) {
  static const SimModeRules windows = {true, false, false, true, true, true, true};
  static const SimModeRules wine = {false, true, true, false, false, false, false};
  return mode == SimMode::Windows ? windows : wine;
}

bool SameGuid(const GUID &a, const GUID &b);
GUID GuidForClassName(const std::string &name);
std::string ClassNameForGuid(const GUID &guid);
std::string GuidText(const GUID &g);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
bool ParseGuid(const std::string &text, GUID &guid);
std::string FourDigits(int n);

struct SimDeviceTree::Node {
  SimDevice device;
  DWORD devInst = 0;
  bool alive = true;      // false once removed, or dropped with the set that created it unregistered
  uintptr_t ownerSet = 0; // the set holding a node that is not registered yet
};

struct SimDeviceTree::Impl {
  struct DevSet {
    bool destroyed = false;
    bool hasClass = false;
    GUID classGuid{};
    std::vector<DWORD> members;            // devInst of each element, in enumeration order
    std::unordered_set<DWORD> memberIndex; // the same, for membership checks
  };
  struct Fault {
    std::string operation;
    int firstCall; // absolute call number of that operation
    DWORD code;
    bool every;
  };

  std::deque<Node> nodes; // a deque keeps FindDevice's pointers valid while nodes are added
  std::map<uintptr_t, DevSet> sets;
  uintptr_t nextHandle = 0x5D100000;
  int nextSerial = 1;
  std::map<std::string, int> calls;
  std::vector<Fault> faults;
  std::map<std::string, int> driverKeysPerClass;
  std::string moduleFileName = "C:\\Quarvel\\Quarvel.exe";
  DWORD moduleFailureCode = ERROR_FILE_NOT_FOUND;

  // Nodes are never erased, so a node's devInst is its position plus one.
  Node *NodeByDevInst(DWORD devInst) {
    return devInst >= 1 && devInst <= nodes.size() ? &nodes[devInst - 1] : nullptr;
  }
  Node *AliveNode(const std::string &instanceId) {
    for (Node &node : nodes)
      if (node.alive && SimEqualNoCase(node.device.instanceId, instanceId))
        return &node;
    return nullptr;
  }
  DevSet *OpenSet(HDEVINFO handle) {
    auto found = sets.find(reinterpret_cast<uintptr_t>(handle));
    return found == sets.end() || found->second.destroyed ? nullptr : &found->second;
  }
  Node &AddNode(SimDevice device) {
    Node node;
    node.device = std::move(device);
    node.devInst = static_cast<DWORD>(nodes.size() + 1);
    nodes.push_back(std::move(node));
    return nodes.back();
  }
  static void Fill(const Node &node, SP_DEVINFO_DATA &data) {
    data.ClassGuid = node.device.classGuid;
    data.DevInst = node.devInst;
    data.Reserved = node.devInst;
  }
};
