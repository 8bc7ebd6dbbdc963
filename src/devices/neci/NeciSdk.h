#pragma once
// The C interface of the serial-to-Ethernet gateway library "NECI_SDK": the
// records it exchanges and its `dsc_` entry points. The program binds these
// by name at run time; the library's own build exports them. Every entry
// point returns 1 on success.

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

#ifdef __cplusplus
}
#endif
