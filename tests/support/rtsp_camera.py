#!/usr/bin/python3
"""A network camera for tests: GStreamer's RTSP server on 127.0.0.1.

Serves moving colour bars as H.264 or H.265 at one mount point, with digest
authentication when a user is given. Run with /usr/bin/python3 (the system
Python, which has the GStreamer bindings).

Prints "port N" once it listens, then "client" for every connection (one
per login attempt or play).
Reads commands from standard input, one per line:
  "rate FPS"           from now on at most FPS frames per second (0: all)
  "size W H"           from now on pictures of W x H (a new key frame says so)
Ends on end of input or SIGTERM. Freeze it with SIGSTOP to stall its
connections; kill it to drop them. With --silent it answers every request
and plays, but no video packet leaves it; with --udp-only it refuses RTSP
over TCP (interleaved), as some cameras do. With --timecode every picture
carries the wall-clock time at which it went to the encoder (see TimeCode),
for glass-to-glass latency; "rate" and "size" then change nothing.
"""

import argparse
import signal
import sys
import threading
import time

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtsp", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtsp, GstRtspServer  # noqa: E402

ENCODERS = {
    "h264": "x264enc name=encoder tune=zerolatency speed-preset=ultrafast key-int-max={gop} bframes=0"
            " ! h264parse ! rtph264pay name=pay0 pt=96 config-interval=-1",
    "h265": "x265enc name=encoder tune=zerolatency speed-preset=ultrafast key-int-max={gop}"
            " ! h265parse ! rtph265pay name=pay0 pt=96 config-interval=-1",
}


def say(text):
    print(text, flush=True)


def parse_rate(text):
    """'25' or '12.5' as a GStreamer fraction string."""
    num, _, frac = text.partition(".")
    den = 10 ** len(frac)
    return "%d/%d" % (int(num) * den + int(frac or 0), den)


class Camera:
    def __init__(self, args):
        self.rates = []  # videorate elements of the running media
        self.sizes = []  # their size filters
        self.late = args.late
        self.silent = args.silent
        self.rate = parse_rate(args.fps)
        self.timecode = TimeCode(args) if args.timecode else None
        encoder = ENCODERS[args.codec].format(gop=args.gop)
        if self.timecode:
            launch = "( {source} ! {encoder} )".format(source=self.timecode.source, encoder=encoder)
        else:
            launch = (
                "( videotestsrc is-live=true pattern=smpte horizontal-speed=4"
                " ! capsfilter name=size caps=video/x-raw,format=I420,width={w},height={h},"
                "framerate={rate} ! videorate name=limit drop-only=true ! {encoder} )"
            ).format(w=args.width, h=args.height, rate=self.rate, encoder=encoder)
        self.server = GstRtspServer.RTSPServer()
        self.server.set_address("127.0.0.1")
        self.server.set_service(str(args.port))
        factory = GstRtspServer.RTSPMediaFactory()
        factory.set_launch(launch)
        if args.udp_only:
            factory.set_protocols(GstRtsp.RTSPLowerTrans.UDP)
        factory.connect("media-configure", self.on_media)
        if args.user:
            auth = GstRtspServer.RTSPAuth()
            token = GstRtspServer.RTSPToken()
            token.set_string("media.factory.role", "camera")
            auth.set_supported_methods(GstRtsp.RTSPAuthMethod.DIGEST)
            auth.add_digest(args.user, args.password, token)
            self.server.set_auth(auth)
            permissions = GstRtspServer.RTSPPermissions()
            permissions.add_permission_for_role("camera", "media.factory.access", True)
            permissions.add_permission_for_role("camera", "media.factory.construct", True)
            factory.set_permissions(permissions)
        self.server.get_mount_points().add_factory(args.mount, factory)
        self.server.connect("client-connected", self.on_client)
        if self.server.attach(None) == 0:
            raise SystemExit("cannot listen on port %s" % args.port)
        say("port %d" % self.server.get_bound_port())

    def on_media(self, _factory, media):
        element = media.get_element()
        if self.timecode:
            self.timecode.feed(media)
        else:
            self.rates.append(element.get_by_name("limit"))
            self.sizes.append(element.get_by_name("size"))
        pad = element.get_by_name("pay0").get_static_pad("src")
        if self.silent:
            # The server answers PLAY once a packet has come past its own
            # gate: packets are dropped after it, where they leave for the
            # clients (over TCP or UDP).
            media.connect("prepared", self.silence)
        elif self.late > 0:
            # The packets of the first frames go nowhere, so the client's
            # stream starts between key frames, as when it joins a running
            # camera; the stream's description still names the codec setup.
            start = []

            def drop_early(_pad, info):
                if info.type & Gst.PadProbeType.BUFFER_LIST:
                    pts = info.get_buffer_list().get(0).pts
                else:
                    pts = info.get_buffer().pts
                if not start:
                    start.append(pts)
                if pts - start[0] < self.late * Gst.SECOND:
                    return Gst.PadProbeReturn.DROP
                return Gst.PadProbeReturn.OK

            pad.add_probe(Gst.PadProbeType.BUFFER | Gst.PadProbeType.BUFFER_LIST, drop_early)

    @staticmethod
    def silence(media):
        # Behind the gate that PLAY waits for: the stream leaves rtpbin here.
        pipeline = media.get_element().get_parent()
        for element in pipeline.iterate_recurse():
            factory = element.get_factory()
            if factory is None or factory.get_name() != "rtpbin":
                continue
            for pad in element.iterate_src_pads():
                if pad.get_name().startswith("send_rtp_src"):
                    pad.add_probe(Gst.PadProbeType.BUFFER | Gst.PadProbeType.BUFFER_LIST,
                                  lambda *_: Gst.PadProbeReturn.DROP)

    def on_client(self, _server, _client):
        say("client")

    def set_rate(self, fps):
        for limit in self.rates:
            limit.set_property("max-rate", fps if fps > 0 else 2147483647)

    def set_size(self, width, height):
        caps = Gst.Caps.from_string("video/x-raw,format=I420,width=%d,height=%d,framerate=%s"
                                    % (width, height, self.rate))
        for size in self.sizes:
            size.set_property("caps", caps)


class TimeCode:
    """Pictures that carry the wall-clock time at which they go to the encoder.

    Moving colour bars come from a pipeline of their own; each picture gets
    an orange plate, 35 x 3 cells of CELL pixels: a border of half a cell
    around two rows of 34 cells. Columns 0 and 1 are a guard (row 0 white,
    black; row 1 black, white); columns 2 to 33 hold the milliseconds since
    the epoch modulo 2^32, bit 31 first, white for 1 in row 0 and inverted in
    row 1. The plate is centred across the picture, its top at 52 % of the
    height (clear of the console's crop and overlay). A reader finds the
    orange plate on screen; cell (row r, column c) is centred at
    ((c + 1) / 35, (r + 1) / 3) of it. bench/livecost/screencode.cpp reads it.
    """

    COLUMNS = 34
    GUARD = ((1, 0), (0, 1))
    # BT.601 limited range.
    ORANGE = (146, 53, 193)
    WHITE = (235, 128, 128)
    BLACK = (16, 128, 128)

    def __init__(self, args):
        self.width = args.width
        self.height = args.height
        self.cell = max(4, (args.width * 7 // 10) // (self.COLUMNS + 1) // 4 * 4)
        self.left = (args.width - self.cell * (self.COLUMNS + 1)) // 4 * 2
        self.top = args.height * 52 // 100 // 2 * 2
        caps = "video/x-raw,format=I420,width=%d,height=%d,framerate=%s" % (
            args.width, args.height, parse_rate(args.fps))
        # Only the newest picture waits: a client that starts late gets no backlog.
        self.source = ("appsrc name=timecoded is-live=true format=time do-timestamp=true"
                       " max-buffers=1 leaky-type=downstream caps=" + caps)
        self.lock = threading.Lock()
        self.sources = []
        self.bars = Gst.parse_launch(
            "videotestsrc is-live=true pattern=smpte horizontal-speed=4 ! " + caps +
            " ! appsink name=bars emit-signals=true max-buffers=1 drop=true sync=false")
        self.bars.get_by_name("bars").connect("new-sample", self.on_bars)
        self.bars.set_state(Gst.State.PLAYING)

    def feed(self, media):
        source = media.get_element().get_by_name("timecoded")
        with self.lock:
            self.sources.append(source)

        def unprepared(_media):
            with self.lock:
                self.sources.remove(source)

        media.connect("unprepared", unprepared)

    def rows(self, millis):
        """The plate's rows of luma and of chroma (U, V) for one time."""
        bits = [(millis >> (31 - i)) & 1 for i in range(32)]
        top = [g[0] for g in self.GUARD] + bits
        bottom = [g[1] for g in self.GUARD] + [1 - b for b in bits]

        def row(cells, plane, shift):
            size = self.cell >> shift
            border = bytes([self.ORANGE[plane]]) * (size // 2)
            body = b"".join(bytes([(self.WHITE if c else self.BLACK)[plane]]) * size
                            for c in cells)
            return border + body + border

        plain = [bytes([self.ORANGE[p]]) * ((self.cell * (self.COLUMNS + 1)) >> (1 if p else 0))
                 for p in range(3)]
        return [[plain[p], row(top, p, 1 if p else 0), row(bottom, p, 1 if p else 0)]
                for p in range(3)]

    def draw(self, frame, millis):
        rows = self.rows(millis)
        luma = self.width * self.height
        chroma_width = self.width // 2
        planes = ((0, self.width, 0), (luma, chroma_width, 1),
                  (luma + luma // 4, chroma_width, 1))
        for p, (offset, stride, shift) in enumerate(planes):
            cell = self.cell >> shift
            x = self.left >> shift
            for y in range(3 * cell):
                # Half a cell of border, the two rows of cells, half a cell of border.
                inside = cell // 2 <= y < cell // 2 + 2 * cell
                band = 1 + (y - cell // 2) // cell if inside else 0
                start = offset + ((self.top >> shift) + y) * stride + x
                line = rows[p][band]
                frame[start:start + len(line)] = line

    def on_bars(self, sink):
        sample = sink.emit("pull-sample")
        buffer = sample.get_buffer()
        frame = bytearray(buffer.extract_dup(0, buffer.get_size()))
        self.draw(frame, int(time.time() * 1000) & 0xFFFFFFFF)
        stamped = Gst.Buffer.new_wrapped(bytes(frame))
        with self.lock:
            for source in self.sources:
                source.emit("push-buffer", stamped)
        return Gst.FlowReturn.OK


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--mount", default="/Streaming/Channels/101")
    parser.add_argument("--codec", choices=sorted(ENCODERS), default="h264")
    parser.add_argument("--fps", default="25")
    parser.add_argument("--gop", type=int, default=25, help="frames between key frames")
    parser.add_argument("--width", type=int, default=320)
    parser.add_argument("--height", type=int, default=240)
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--late", type=float, default=0,
                        help="seconds of each stream that no client gets: it starts"
                             " between key frames")
    parser.add_argument("--silent", action="store_true",
                        help="answer and play, but send no video")
    parser.add_argument("--udp-only", action="store_true",
                        help="refuse RTSP over TCP: video over UDP only")
    parser.add_argument("--timecode", action="store_true",
                        help="each picture carries the wall-clock milliseconds as cells")
    args = parser.parse_args()

    Gst.init(None)
    loop = GLib.MainLoop()
    camera = Camera(args)

    def commands():
        for line in sys.stdin:
            words = line.split()
            if len(words) == 2 and words[0] == "rate":
                GLib.idle_add(camera.set_rate, int(float(words[1])))
            elif len(words) == 3 and words[0] == "size":
                GLib.idle_add(camera.set_size, int(words[1]), int(words[2]))
        GLib.idle_add(loop.quit)

    threading.Thread(target=commands, daemon=True).start()
    signal.signal(signal.SIGTERM, lambda *_: GLib.idle_add(loop.quit))
    loop.run()


if __name__ == "__main__":
    main()
