#!/bin/busybox sh
# /init of the guest that tests/vm/serial_lines.sh boots: loads the USB serial drivers, lists
# the serial ports with `zvtool ports`, runs the driver's jobs over ttyS1 (the kernel's 16550 driver) and ttyUSB0 (an FTDI adapter on
# xHCI), and tells the host everything on the console, each line starting with "VM ". The
# host pulls the adapter during the job "usb-pull-fetch", plugs it back in when that job
# has ended, and pulls it again during "usb-pull-send".
/bin/busybox --install -s /bin
export PATH=/bin
mkdir -p /proc /sys /dev
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

say() { echo "VM $*"; }
for module in $(cat /modules/order); do
    insmod "/modules/$module.ko" || say "insmod $module failed"
done

appear() {  # DEVICE: waits up to 30 s for it
    i=0
    while [ ! -e "$1" ]; do
        i=$((i + 1))
        [ $i -le 300 ] || return 1
        sleep 0.1
    done
}
key() { tr -d '\r' <zordOUT.INI 2>/dev/null | sed -n "s/^$1=//p" | head -n 1; }

# job NAME DEVICE KEY=VALUE...: one run of the driver in /jobs/NAME with COM1 -> DEVICE.
job() {
    name=$1 device=$2
    shift 2
    mkdir -p "/jobs/$name"
    cd "/jobs/$name"
    ln -s "$device" COM1
    { printf '[Zorvek PC interface driver]\r\n'; for pair; do printf '%s\r\n' "$pair"; done; } >zordrive.INI
    cp /ToZv.dat .
    appear "$device" || say "$name: no $device"
    say "$name start"
    ZORDRIVE_TRACE=driver.trace time -p -o time.txt /zordrive >out.txt 2>err.txt
    status=$?
    say "$name exit=$status ComStatus=$(key ComStatus) running=$(key ZorVekDriverRunning) now=$(key NowTransferingNo) $(grep -E '^(real|user|sys)' time.txt | tr '\n' ' ')"
    say "$name stderr: $(cat err.txt)"
    say "$name trace: $(grep -c . driver.trace) lines; $(grep 'port went away' driver.trace)"
    if [ -f fromZv.dat ]; then
        say "$name fromZv.dat"
        base64 fromZv.dat
        say "$name end"
    fi
}

# What zvtool makes of the guest's serial ports: the UART and the FTDI adapter by their
# kernel drivers, the adapter with its USB identity.
appear /dev/ttyUSB0 || say "ports: no /dev/ttyUSB0"
/zvtool ports 2>&1 | sed 's/^/VM ports: /'
say "ports json: $(/zvtool --json ports 2>&1)"

connection=TestMiniZvConnection=1
fetch=" TestMiniZvConnection=0 GetData=1 ToZorvek=1 GetFromModulNumber=1"
send=" TestMiniZvConnection=0 GetData=0 ToZorvek=1 SendNumberOfModuls"
for line in uart:/dev/ttyS1 usb:/dev/ttyUSB0; do
    job "${line%%:*}-connection" "${line#*:}" $connection
    job "${line%%:*}-fetch" "${line#*:}" $fetch GetToModulNumber=3
    job "${line%%:*}-send" "${line#*:}" $send=2
done
job usb-pull-fetch /dev/ttyUSB0 $fetch GetToModulNumber=12
job usb-pull-send /dev/ttyUSB0 $send=6
say done
poweroff -f
