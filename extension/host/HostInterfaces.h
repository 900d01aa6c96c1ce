#pragma once

// Every host interface the extension reaches or answers, shared by the extension and the simulated host.
#include "HostApplication.h"
#include "HostCommands.h"
#include "HostDevices.h"
#include "HostFiles.h"
#include "HostProject.h"
#include "HostRemote.h"
#include "HostValues.h"
