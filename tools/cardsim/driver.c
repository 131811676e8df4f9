/* The simulated card as a kernel driver: Wine's winedevice loads it as the
 * service "zintrel", and "\\.\zintrel.vxd" reaches it from any program, just
 * as the probe driver is reached on a real machine. */
#include <ntddk.h>

#include "cardmodel.h"

static CardModel g_card;
static PDEVICE_OBJECT g_device;

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
    if (CardRequest(&g_card, code, irp->AssociatedIrp.SystemBuffer, input, output, &returned))
        return Complete(irp, STATUS_UNSUCCESSFUL, 0);
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
    (void)registryPath;

    CardReset(&g_card);
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
