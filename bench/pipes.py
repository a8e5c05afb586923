#!/usr/bin/env python3
"""Times filters as CUPS runs them: the job comes in on a pipe and the
output leaves on a pipe, drained as fast as it comes.

Usage: pipes.py ROUNDS COUNT_TEXT JOB... -- NAME=COMMAND...

Each COMMAND (split like a shell line, found on PATH) runs on each JOB once
per round, the contenders interleaved and their order turned by one each
round, after a first round that only warms up. The first contender is the
baseline and the last the subject: the subject is compared with each other
one round by round. COUNT_TEXT is counted in the subject's output of the
warm-up round, to show that it did its work.

For each run: wall time from start to exit, CPU time (user + system, of the
filter and of the /usr/bin/time that measures its memory), peak resident
memory, and the time from the first job byte written into the filter's pipe
to the first output byte read from its pipe.
"""
import collections
import os
import shlex
import statistics
import sys
import tempfile
import threading
import time

CHUNK = 1 << 20


# One run of one contender: seconds, KiB, and the count of COUNT_TEXT.
Run = collections.namedtuple("Run", "wall cpu rss_kib first_byte found")


def feed(fd, job, started):
    """Sends the whole job file into the pipe `fd` and closes it; the kernel
    moves the bytes, which leaves the machine to the filter."""
    size = os.fstat(job).st_size
    offset = 0
    started.append(time.perf_counter())
    try:
        while offset < size:
            offset += os.sendfile(fd, job, offset, size - offset)
    except BrokenPipeError:
        pass
    finally:
        os.close(fd)


def run(argv, job, count_text, rss_path):
    in_r, in_w = os.pipe()
    out_r, out_w = os.pipe()
    start = time.perf_counter()
    pid = os.posix_spawn(
        "/usr/bin/time", ["time", "-f", "%M", "-o", rss_path] + argv, os.environ,
        file_actions=[(os.POSIX_SPAWN_DUP2, in_r, 0), (os.POSIX_SPAWN_DUP2, out_w, 1),
                      (os.POSIX_SPAWN_OPEN, 2, "/dev/null", os.O_WRONLY, 0)])
    os.close(in_r)
    os.close(out_w)
    fed = []
    feeder = threading.Thread(target=feed, args=(in_w, job, fed))
    feeder.start()
    buffer = bytearray(CHUNK)
    view = memoryview(buffer)
    first_out = None
    found = 0
    tail = b""
    with open(out_r, "rb", buffering=0) as out:
        while True:
            n = out.readinto(view)
            if not n:
                break
            if first_out is None:
                first_out = time.perf_counter()
            if count_text:
                text = tail + bytes(view[:n])
                found += text.count(count_text)
                tail = text[max(0, len(text) - len(count_text) + 1):]
    feeder.join()
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
        sys.exit(f"{argv[0]} failed: wait status {status}")
    with open(rss_path) as f:
        rss_kib = int(f.read().split()[-1])
    first_byte = first_out - fed[0] if first_out is not None else float("nan")
    return Run(wall, usage.ru_utime + usage.ru_stime, rss_kib, first_byte, found)


def ratio_line(subject, other, runs, rounds):
    paired = {what: [getattr(runs[subject][r], what) / getattr(runs[other][r], what)
                     for r in range(rounds)] for what in ("wall", "cpu")}
    return (f"  {subject}/{other}: wall {statistics.median(paired['wall']):.2f} "
            f"(min {min(paired['wall']):.2f}), CPU {statistics.median(paired['cpu']):.2f} "
            f"(min {min(paired['cpu']):.2f})")


def bench_job(path, contenders, rounds, count_text, rss_path):
    job = os.open(path, os.O_RDONLY)
    names = [name for name, _ in contenders]
    subject = names[-1]
    warm = {name: run(argv, job, count_text if name == subject else b"", rss_path)
            for name, argv in contenders}
    runs = {name: [] for name in names}
    for r in range(rounds):
        turn = r % len(contenders)
        for name, argv in contenders[turn:] + contenders[:turn]:
            runs[name].append(run(argv, job, b"", rss_path))
    os.close(job)

    size = os.path.getsize(path)
    print(f"job {os.path.basename(path)}, {size / (1 << 20):.0f} MiB ({size} bytes; {warm[subject].found} "
          f"\"{count_text.decode()}\" in the {subject} output), {rounds} paired rounds")
    print(f"  {'':10} {'wall s':>15} {'CPU s':>15} {'first byte ms':>15} {'peak RSS':>10}")
    print(f"  {'':10} {'min':>7} {'median':>7} {'min':>7} {'median':>7} {'min':>7} {'median':>7}"
          f" {'KiB max':>10}")
    for name in names:
        walls = [x.wall for x in runs[name]]
        cpus = [x.cpu for x in runs[name]]
        firsts = [x.first_byte * 1000 for x in runs[name]]
        rss = max(x.rss_kib for x in runs[name])
        print(f"  {name:10} {min(walls):7.3f} {statistics.median(walls):7.3f}"
              f" {min(cpus):7.3f} {statistics.median(cpus):7.3f}"
              f" {min(firsts):7.1f} {statistics.median(firsts):7.1f} {rss:10}")
    print(f"  ratios, median of the paired rounds (and their min):")
    for other in names[:-1]:
        print(ratio_line(subject, other, runs, rounds))
    return max(x.rss_kib for x in runs[subject])


def main():
    args = sys.argv[1:]
    split = args.index("--")
    rounds, count_text, jobs = int(args[0]), args[1].encode(), args[2:split]
    contenders = []
    for contender in args[split + 1:]:
        name, command = contender.split("=", 1)
        contenders.append((name, shlex.split(command)))
    with tempfile.NamedTemporaryFile(prefix="pipes-rss.") as rss:
        peaks = [bench_job(job, contenders, rounds, count_text, rss.name) for job in jobs]
    subject = contenders[-1][0]
    print(f"peak RSS of {subject}: " + ", ".join(
        f"{peak} KiB ({os.path.basename(job)})"
        for peak, job in zip(peaks, jobs)))


if __name__ == "__main__":
    main()
