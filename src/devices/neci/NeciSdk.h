#pragma once
// The C interface of the serial-to-Ethernet gateway library "NECI_SDK": the
// records it exchanges and its `dsc_` entry points. The program binds these
// by name at run time; the library's own build exports them. Every entry
// point returns 1 on success, NECI_NO_ANSWER when the gateway did not answer
// in time, and 0 when it refused or the call itself was wrong.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
/* One found gateway. IPv4 addresses have the first octet in the lowest byte. */
typedef struct _DS_INFO {
    uint32_t apid; /* application id; 256 for the gateways we use */
    uint16_t hwid;
    uint16_t flag;
    uint32_t real_ip_addr;   /* where the gateway answered from */
    uint32_t pseudo_ip_addr; /* the address it is configured with */
    uint32_t host_ip_addr;   /* the local address that found it */
    uint8_t mac[6];
    uint8_t pad[2];
} DS_INFO;

typedef struct _IFCONFIGINFO {
    uint16_t ifid;
    uint16_t flag;
    uint32_t ipaddr;
    uint32_t netmask;
    uint32_t gateway;
} IFCONFIGINFO;

typedef struct _KERNELINFO {
    uint32_t firm_version;
    uint32_t bios_version;
    uint32_t serial_no;
    uint16_t flag; /* 1: a password is set */
    uint16_t DSCI_Ver;
} KERNELINFO;
#pragma pack(pop)

/* Called once per found gateway during dsc_EnumSearch; returns 0 for an
   empty pointer, else 1. */
typedef int (*DSC_SEARCH_CALLBACK)(DS_INFO* info);

/* Searches for `timeout_ms` (-1: the default second) on every local IPv4
   network. */
typedef int (*PFN_dsc_EnumSearch)(int timeout_ms, DSC_SEARCH_CALLBACK callback);
typedef int (*PFN_dsc_Attach)(const DS_INFO* info, int* handle);
typedef int (*PFN_dsc_Detach)(int handle);
typedef int (*PFN_dsc_Login)(int handle, const char* password);
typedef int (*PFN_dsc_Logout)(int handle);
typedef int (*PFN_dsc_GetName)(int handle, char* name /* 40 bytes */);
typedef int (*PFN_dsc_GetIPConfig)(int handle, int ifid, int* mode);
typedef int (*PFN_dsc_GetIfConfig)(int handle, int max_count, int* count, IFCONFIGINFO* info);
typedef int (*PFN_dsc_GetKernelInfo)(int handle, KERNELINFO* info);
typedef int (*PFN_dsc_SetIP)(int handle, int ifid, uint32_t address);
typedef int (*PFN_dsc_SetNetmask)(int handle, int ifid, uint32_t mask);
typedef int (*PFN_dsc_SetGateway)(int handle, int ifid, uint32_t gateway);
typedef int (*PFN_dsc_SetIPConfig)(int handle, int ifid, int mode /* 1 DHCP, 0 fixed */);
typedef int (*PFN_dsc_SetName)(int handle, const char* name);
typedef int (*PFN_dsc_SetPassword)(int handle, const char* password);
typedef int (*PFN_dsc_SaveAndRestart)(int handle);

#define NECI_NAME_SIZE 40
/* The gateway did not answer: not a refusal, so no reason to doubt a password. */
#define NECI_NO_ANSWER (-1)

/* clang-format off */
/* The entry points the program calls, each bound as dsc_<name> with the
   type PFN_dsc_<name>. */
#define NECI_CALLED_ENTRY_POINTS(X) \
    X(EnumSearch) X(Attach) X(Detach) X(Login) X(Logout) X(GetName) X(GetIPConfig) X(GetIfConfig) \
    X(GetKernelInfo) X(SetIP) X(SetNetmask) X(SetGateway) X(SetIPConfig) X(SetName) X(SetPassword) \
    X(SaveAndRestart)

/* The further entry points the program binds without calling them, each
   bound as dsc_<name>. Their arguments are the library's business; the
   program only keeps them. */
typedef int (*PFN_dsc_Uncalled)(int handle, void* data);
#define NECI_UNCALLED_ENTRY_POINTS(X) \
    X(Locate) X(Restart) X(SetToFactoryDefault) X(ClearUserAP) X(GetAPInfo) X(SetSDKDevFlag) \
    X(GetEnvironmentMode) X(GetAPStatus) X(RunOrStopUserAp) X(SetPrivateKey) X(RecvAPConfig) X(UpgradeAPConfig) \
    X(RecvAPConfig_Bank) X(UpgradeAPConfig_Bank) X(RecvAPConfigBank) X(UpgradeAPConfigBank) X(UpgradeAPConfig_NoErase) X(Erase_APConfig_Bank) \
    X(GetDSINFO) X(GetFsInfo) X(UpdateDSINFO) X(GetTime) X(GetWinTime) X(SetTime) \
    X(SetWinTime) X(GetTimeServer) X(SetTimeServer) X(Get_TimeZone_Index) X(Set_TimeZone_Index) X(GetIP) \
    X(GetNetmask) X(GetGateway) X(GetNetstat) X(GetNetstat_ex) X(GetRouting) X(SetSerialPortName) \
    X(GetSerialIOCtl) X(SetSerialIOCtl) X(GetSerialFIFO) X(SetSerialFIFO) X(GetSerialInterface) X(SetSerialInterface) \
    X(GetSerialLineStatus) X(GetSerialDataCount) X(GetMaxDIO) X(GetDIOMode) X(GetDIOState) X(SetDIOMode) \
    X(SetDIOState) X(GetIPLocation) X(SetIPLocation) X(IPLocationStart) X(IPLocationPoll) X(IPLocationEnd) \
    X(UpgradeAP) X(UpgradeKernel) X(UpgradeAPKernel) X(LibSetProc) X(LibSetTimeout) X(LibSetUpgTimeout) \
    X(SetSearchOpt)
/* clang-format on */

#ifdef __cplusplus
}
#endif
