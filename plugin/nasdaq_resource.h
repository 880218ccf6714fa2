// Resource ids of Morvane Quote Nasdaq.mqx.
#ifndef MORVANE_PLUGIN_NASDAQ_RESOURCE_H
#define MORVANE_PLUGIN_NASDAQ_RESOURCE_H

#define IDS_SOURCE_NAME 1
#define IDS_ADDRESS_TEMPLATE 2

// Nothing loads it; it gives the file its picture in the shell.
#define IDI_NASDAQ 101

#endif
