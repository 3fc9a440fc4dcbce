#!/usr/bin/env python3
"""The main window's layout, as the build turns it into the block the exe carries.

Usage: main_window_layout.py BANNER_JPEG OUTPUT_BLOCK

The units below are read top to bottom in this order; the window system creates
them from the block. Handlers are indices into the program's handler table
(shell/handlers_win32.cpp); -1 is no handler.
"""
import struct
import sys

# The program's handler table.
INSTALL_SKIN, GET_ADDRESS, COPY, OPEN = 0, 1, 2, 3

WINDOW_ID = 0x5201027F
DESIGN_WORDS = [0x00B900C0, 0x00B91980, 0x19010280, 0, 0]

KIND = {
    'window': 0x00010001, 'EditBox': 0x00010005, 'PicBox': 0x00010006, 'ShapeBox': 0x00010007,
    'Label': 0x0001000A, 'Button': 0x0001000B, 'HyperLinker': 0x0001001D,
}
SYSTEM_COLOUR = 0xFF000000
VISIBLE, TAB_STOP = 1, 4
LEFT_DOWN, OWN_EVENT = -1, 0


def gbk(text):
    return text.encode('gbk')


def logfont(face, height, weight, underline, charset=134, quality=0):
    """A 60-byte LOGFONTA as the designer stored it (charset GB2312, default quality)."""
    face_bytes = gbk(face).ljust(32, b'\0')
    return struct.pack('<5i8B', height, 0, 0, 0, weight, 0, 1 if underline else 0, 0,
                       charset, 0, 0, quality, 0) + face_bytes


LINK_FONT = logfont('宋体', -12, 400, True)


class Out:
    def __init__(self):
        self.b = bytearray()

    def u32(self, *values):
        for v in values:
            self.b += struct.pack('<I', v & 0xFFFFFFFF)

    def u16(self, v):
        self.b += struct.pack('<H', v)

    def text(self, t):  # counted, no terminator
        data = gbk(t) if isinstance(t, str) else t
        self.u32(len(data))
        self.b += data

    data = text

    def c_text(self, t):
        self.b += gbk(t) + b'\0'


def window_data(o, caption, minimize_box):
    o.u32(6)                       # version
    o.u32(2, 1, SYSTEM_COLOUR)     # fixed border with caption, one word, button-face background
    o.u32(0, minimize_box, 1, 1, 1)  # maximize, minimize, control box, centred, close allowed
    o.u32(0, 0, 1, 0, 0)
    o.u32(1)                       # shown in the taskbar
    o.u32(0, 0)
    o.u32(0)                       # not topmost
    o.u32(0)
    o.text('')                     # window class name
    o.data(b'')                    # background picture
    o.data(b'')                    # icon: none, so the program's default icon
    o.data(b'')                    # background sound
    o.text(caption)
    o.text('')


def hyperlink_data(o, caption):
    o.u32(1)                       # version
    o.u32(0)                       # link type: e-mail address (empty)
    o.u32(0x00FF0000, 0x00000080, 0x00FF0000, 0x00FFFFFF)  # normal, visited, hover, background
    o.u32(0)                       # no border
    o.data(LINK_FONT)
    o.text(caption)
    o.text('')                     # e-mail address
    o.text('')                     # web address


def label_data(o, caption):
    o.u32(2)
    o.u32(0, 8, 0, 0x00808080, 0x00FFFFFF, 0x00808080, 0, 0x00FFFFFF,
          1, 0, 0x00808080, 0x00FFFFFF, 0x00808080, 0, 1, 0)
    o.data(b'')
    o.data(b'')                    # default font
    o.text(caption)
    o.text('')
    o.text('')


def edit_data(o, border, text_colour, input_mode):
    o.u32(2)
    o.u32(border, text_colour, 0x00FFFFFF)
    o.u32(1, 0, 0, 0, 0, input_mode)  # hide selection, system maximum, single line, no bars, left
    o.u16(ord('*'))
    o.u32(0, 0, 0, 100, 0, 0)
    o.data(b'')                    # default font
    o.text('')                     # empty at start
    o.text('')
    o.text('')


def picture_data(o, jpeg):
    o.u32(2)
    o.u32(0, SYSTEM_COLOUR, 2, 1)  # no border, button face, display mode 2 (fit)
    o.data(jpeg)
    o.text('')
    o.text('')


def button_data(o, caption):
    o.u32(1)
    o.u32(0, 1, 1)                 # normal button, centred both ways
    o.data(b'')
    o.data(b'')
    o.text(caption)


def shape_data(o):
    o.u32(1)
    o.u32(0x00FFFFFF, 0, 0, 0, 1, 0x00ECECEC, SYSTEM_COLOUR)  # white, rectangle, flat, no line, hollow


def units(jpeg):
    """(identifier, kind, name, parent, rect, children, state word 1, events, kind writer)"""
    shape = 0x16010290
    return [
        (0x0601027E, 'window', '', 0, (50, 50, 436, 231), [], VISIBLE,
         [(OWN_EVENT, INSTALL_SKIN)], lambda o: window_data(o, '  Tarnvex', 1)),
        (0x160102A1, 'HyperLinker', '超级链接框_打开', shape, (367, 145, 59, 24), [], 0,
         [(LEFT_DOWN, OPEN)], lambda o: hyperlink_data(o, '点击打开')),
        (0x1601029F, 'Label', '标签1', shape, (8, 180, 88, 16), [], VISIBLE,
         [], lambda o: label_data(o, '作者：Merrowin')),
        (0x16010293, 'HyperLinker', '超级链接框_复制', shape, (267, 145, 96, 24), [], 0,
         [(LEFT_DOWN, COPY)], lambda o: hyperlink_data(o, '点击复制地址')),
        (0x16010291, 'EditBox', '编辑框_自动播放地址', shape, (5, 130, 413, 21), [], VISIBLE | TAB_STOP,
         [], lambda o: edit_data(o, 0, 0x00FF8800, 1)),
        (0x1601028F, 'PicBox', '图片框1', 0, (99, 13, 231, 62), [], VISIBLE,
         [], lambda o: picture_data(o, jpeg)),
        (0x1601028C, 'Button', '按钮_获取自动播放地址', 0, (304, 92, 121, 24), [], VISIBLE | TAB_STOP,
         [(OWN_EVENT, GET_ADDRESS)], lambda o: button_data(o, '获取自动播放地址')),
        (0x1601028B, 'EditBox', '编辑框_视频原地址', 0, (4, 94, 294, 21), [], VISIBLE | TAB_STOP,
         [], lambda o: edit_data(o, 5, 0x00000000, 0)),
        (shape, 'ShapeBox', '外形框1', 0, (0, 0, 432, 230),
         [0x160102A1, 0x1601029F, 0x16010293, 0x16010291], VISIBLE, [], shape_data),
    ]


def record(kind, name, parent, rect, children, state1, events, kind_writer):
    o = Out()
    o.u32(KIND[kind], 0, 0, 0, 0, 0)
    o.c_text(name)
    o.c_text('')
    o.u32(0)
    o.u32(*rect)
    o.u32(0, parent, len(children), *children)
    o.data(b'\0\0\0\0')            # the standard arrow
    o.c_text('')                   # tag
    o.u32(0, state1, 0)
    o.u32(len(events))
    for event, handler in events:
        o.u32(event, handler)
    o.u32(0, 0, 0, 0, 0)
    kind_writer(o)
    return bytes(o.b)


def block(jpeg):
    table = units(jpeg)
    area = bytearray()
    offsets = []
    for unit_id, kind, name, parent, rect, children, state1, events, writer in table:
        body = record(kind, name, parent, rect, children, state1, events, writer)
        offsets.append(len(area))
        area += struct.pack('<I', len(body)) + body
    o = Out()
    o.u32(8, WINDOW_ID, *DESIGN_WORDS)
    o.u32(len(table), len(table) * 8 + len(area))
    o.u32(*[u[0] for u in table])
    o.u32(*offsets)
    return bytes(o.b) + bytes(area)


def main():
    with open(sys.argv[1], 'rb') as f:
        jpeg = f.read()
    with open(sys.argv[2], 'wb') as f:
        f.write(block(jpeg))


if __name__ == '__main__':
    main()
