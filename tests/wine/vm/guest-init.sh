#!/bin/bash
# First process of the Wine test machine: mounts the project folder at the
# host's own path, then runs the jobs that the host drops into the job folder
# until told to stop or left idle for 15 minutes.
mount -t proc proc /proc 2>/dev/null
mkdir -p /dev/shm && mount -t tmpfs shm /dev/shm
modprobe 9pnet_virtio
for arg in $(cat /proc/cmdline); do
    case $arg in
    gulvor.root=*) root=${arg#*=} ;;
    gulvor.jobs=*) jobs=${arg#*=} ;;
    esac
done
mkdir -p "$root"
mount -t 9p -o trans=virtio,version=9p2000.L,cache=mmap,msize=512000 project "$root"
# Prefix copies are hard links of the template: both must live on the guest's own disk.
export HOME=/root USER=root TMPDIR=/var/tmp PATH=/usr/sbin:/usr/bin:/sbin:/bin GULVOR_IN_VM=1
hostname wine-vm
touch "$jobs/ready"
idle=0
while [ ! -e "$jobs/stop" ] && [ "$idle" -lt 4500 ]; do
    job=$(ls "$jobs"/*.job 2>/dev/null | head -n 1)
    if [ -z "$job" ]; then
        sleep 0.2
        idle=$((idle + 1))
        continue
    fi
    idle=0
    base=${job%.job}
    bash "$job" >"$base.out" 2>&1
    echo $? >"$base.rc.new"
    mv "$base.rc.new" "$base.rc"
    rm -f "$job"
done
sync
echo o >/proc/sysrq-trigger
sleep 30
