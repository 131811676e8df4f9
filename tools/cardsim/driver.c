/* The simulated card as a kernel driver: Wine's winedevice loads it as the
 * service "zintrel", and "\\.\zintrel.vxd" reaches it from any program, just
 * as the probe driver is reached on a real machine. What the card starts as
 * (cardctl keep) is kept in the service's key, value "Boot", so that it
 * outlives the driver: a restart brings the same card back. */
#include <ntddk.h>

#include "cardmodel.h"

static CardModel g_card;
static PDEVICE_OBJECT g_device;

static WCHAR g_keyPath[260];
static UNICODE_STRING g_key;
static UNICODE_STRING g_bootName;
static CardBoot g_boot;
static UCHAR g_bootValue[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(CardBoot)];

static int OpenServiceKey(HANDLE *key)
{
    OBJECT_ATTRIBUTES attributes;
    if (!g_key.Length)
        return 0;
    InitializeObjectAttributes(&attributes, &g_key, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    return NT_SUCCESS(ZwOpenKey(key, KEY_QUERY_VALUE | KEY_SET_VALUE, &attributes));
}

static int KeepBoot(void)
{
    HANDLE key;
    NTSTATUS status;
    if (!OpenServiceKey(&key))
        return 0;
    CardGetBoot(&g_card, &g_boot);
    status = ZwSetValueKey(key, &g_bootName, 0, REG_BINARY, &g_boot, sizeof g_boot);
    ZwClose(key);
    return NT_SUCCESS(status);
}

static void ForgetBoot(void)
{
    HANDLE key;
    if (!OpenServiceKey(&key))
        return;
    ZwDeleteValueKey(key, &g_bootName);
    ZwClose(key);
}

/* The card starts as it was kept, or as the default card. */
static void StartCard(void)
{
    HANDLE key;
    ULONG length = 0;
    KEY_VALUE_PARTIAL_INFORMATION *value = (KEY_VALUE_PARTIAL_INFORMATION *)g_bootValue;
    CardReset(&g_card);
    if (!OpenServiceKey(&key))
        return;
    if (NT_SUCCESS(ZwQueryValueKey(key, &g_bootName, KeyValuePartialInformation, value,
                                   sizeof g_bootValue, &length)) &&
        value->Type == REG_BINARY && value->DataLength == sizeof g_boot) {
        RtlCopyMemory(&g_boot, value->Data, sizeof g_boot);
        CardStartAs(&g_card, &g_boot);
    }
    ZwClose(key);
}

static NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI DispatchOpenClose(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchControl(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG input = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG output = stack->Parameters.DeviceIoControl.OutputBufferLength;
    uint32_t returned = 0;
    (void)device;
    if (code == CARDSIM_KEEP)
        return Complete(irp, KeepBoot() ? STATUS_SUCCESS : STATUS_UNSUCCESSFUL, 0);
    if (CardRequest(&g_card, code, irp->AssociatedIrp.SystemBuffer, input, output, &returned))
        return Complete(irp, STATUS_UNSUCCESSFUL, 0);
    if (code == CARDSIM_RESET)
        ForgetBoot();
    return Complete(irp, STATUS_SUCCESS, returned);
}

static void NTAPI Unload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link;
    (void)driver;
    RtlInitUnicodeString(&link, L"\\DosDevices\\zintrel.vxd");
    IoDeleteSymbolicLink(&link);
    IoDeleteDevice(g_device);
}

NTSTATUS WINAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING name, link;
    NTSTATUS status;

    if (registryPath && registryPath->Length < sizeof g_keyPath) {
        RtlCopyMemory(g_keyPath, registryPath->Buffer, registryPath->Length);
        g_key.Buffer = g_keyPath;
        g_key.Length = registryPath->Length;
        g_key.MaximumLength = sizeof g_keyPath;
    }
    RtlInitUnicodeString(&g_bootName, L"Boot");
    StartCard();
    RtlInitUnicodeString(&name, L"\\Device\\zintrel");
    status = IoCreateDevice(driver, 0, &name, 0x9C40, 0, FALSE, &g_device);
    if (!NT_SUCCESS(status))
        return status;
    RtlInitUnicodeString(&link, L"\\DosDevices\\zintrel.vxd");
    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(g_device);
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchOpenClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
