#pragma once

#include <QString>

// The MAC address sent with every presence report: the hardware address of the first network
// interface that is not a loopback and has a real one (six bytes, not all zero), with "-"
// between the groups ("00-1A-2B-3C-4D-5E"). Empty when there is none.
QString getMacAddress();
