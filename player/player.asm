; Volumix animation player for the Amstrad CPC 6128.
;
; Plays the frames of a run from its data and index as they lie in memory,
; one frame per 50 Hz frame, each started at the vertical sync, and loops
; from the last frame back to frame 0. Index entries are 3 bytes: the
; frame's address, then its bank (0 or 8: main memory, 4 to 7: that page
; selected at &4000 through the gate array).
;
; The code is assembled without an ORG of its own: the build assembles it at
; two origins, and the program that places it moves the high bytes that
; differ. It must stay on a 256-byte boundary and is given its parameters in
; the block below.

entry:    jp start

p_index:  dw 0          ; +3  first index entry
p_frames: dw 0          ; +5  entries in the index
p_base:   dw 0C000h     ; +7  screen base address
p_kind:   db 0          ; +9  0 delta, 1 compressed delta, 2 sprite lines,
                        ;     3 sprite one column, 4 sprite two columns
p_stack:  dw 0          ; +10 stack top
p_go:     dw go         ; +12 where a frame's work starts (for the verifier)
p_wait:   dw waitvsync  ; +14 where it ends

start:    di
          ld sp,(p_stack)
          ld bc,07FC0h
          out (c),c             ; main memory
          ld a,(p_base+1)
          and 0C0h
          ld (pk_or+1),a        ; compressed deltas drop the base
          ld a,(p_kind)
          cp 2
          call nc,maketable

again:    ld hl,(p_index)
          ld (cur),hl
          ld hl,(p_frames)
          ld (left),hl
          ld a,h
          or l
          jr nz,frame
idle:     call waitvsync        ; nothing to play
          jr idle

frame:    call waitvsync
go:       ld hl,(cur)
          ld e,(hl)
          inc hl
          ld d,(hl)
          inc hl
          ld a,(hl)
          inc hl
          ld (cur),hl
          cp 4                  ; banks 4..7: configurations C4..C7
          jr c,mainmem
          cp 8
          jr nc,mainmem
          add a,0C0h
          jr select
mainmem:  ld a,0C0h
select:   ld b,07Fh
          out (c),a
          ex de,hl              ; hl = the frame's data
          call play
          ld bc,07FC0h
          out (c),c
          ld hl,(left)
          dec hl
          ld (left),hl
          ld a,h
          or l
          jr nz,frame
          jr again

; Waits for the start of the next vertical sync (PPI port B, bit 0).
waitvsync:
          ld b,0F5h
wv1:      in a,(c)              ; let a sync in progress end
          rra
          jr c,wv1
wv2:      in a,(c)
          rra
          jr nc,wv2
          ret

play:     ld a,(p_kind)
          or a
          jr z,plain
          dec a
          jr z,packed
          jp sprite

; Screen delta: address (2 bytes), value; 00 00 ends.
plain:    ld e,(hl)
          inc hl
          ld d,(hl)
          inc hl
          ld a,d
          or e
          ret z
          ldi
          jr plain

; Compressed delta: low byte, then bits 8-13 with 4 - n in the top bits,
; then n values; 00 00 ends.
packed:   ld e,(hl)
          inc hl
          ld a,(hl)
          inc hl
          ld d,a
          or e
          ret z
          ld a,d
          rlca
          rlca
          and 3
          cpl
          add a,5               ; n = 4 - top bits
          ld c,a
          ld b,0
          ld a,d
          and 03Fh
pk_or:    or 0                  ; the base's top bits
          ld d,a
          ldir
          jr packed

; Sprite block: XD, YD, XA, YA, then the box's bytes. The previous box is
; cleared first, so the screen holds nothing outside the new one.
sprite:   ld (layout),a
          push hl
          ld hl,prevbox
          call readbox
          call nc,erase
          pop hl
          ld de,prevbox
          ldi
          ldi
          ldi
          ldi
          push hl
          ld hl,prevbox
          call readbox          ; d = XD, e = YD, c = width, b = height
          pop hl
          ret c                 ; empty box
          ld a,(layout)
          dec a
          jr z,sp_lines
          dec a
          jr z,sp_col
          jr sp_2col

erase:
er_y:     push bc
          call lineaddr
          ld b,c
er_x:     ld (hl),0
          inc hl
          djnz er_x
          pop bc
          inc e
          djnz er_y
          ret

; Reads XD, YD, XA, YA at hl: d = XD, e = YD, c = width, b = height; carry
; set when the box is empty.
readbox:  ld d,(hl)
          inc hl
          ld e,(hl)
          inc hl
          ld a,(hl)
          inc hl
          sub d
          ret c
          inc a
          ld c,a
          ld a,(hl)
          sub e
          ret c
          inc a
          ld b,a
          or a
          ret

; hl = screen address of byte column d on line e; keeps bc and de.
lineaddr: push de
          ld a,d
          ld l,e
          ld h,0
          add hl,hl
          ld de,linetab
          add hl,de
          ld e,(hl)
          inc hl
          ld d,(hl)
          ex de,hl
          add a,l
          ld l,a
          jr nc,la_done
          inc h
la_done:  pop de
          ret

sp_lines: push bc
          push de
          push hl
          call lineaddr
          ex de,hl
          pop hl
          ld b,0
          ldir
          pop de
          pop bc
          inc e
          djnz sp_lines
          ret

sp_col:   ld (src),hl
co_x:     push bc
          push de
co_y:     call lineaddr
          push de
          ex de,hl
          ld hl,(src)
          ld a,(hl)
          ld (de),a
          inc hl
          ld (src),hl
          pop de
          inc e
          djnz co_y
          pop de
          pop bc
          inc d
          dec c
          jr nz,co_x
          ret

sp_2col:  ld (src),hl
tw_x:     push bc
          push de
tw_y:     call lineaddr
          push de
          ex de,hl
          ld hl,(src)
          ld a,(hl)
          ld (de),a
          inc hl
          inc de
          ld a,c
          dec a                 ; no column right of the box's last one
          jr z,tw_skip
          ld a,(hl)
          ld (de),a
tw_skip:  inc hl
          ld (src),hl
          pop de
          inc e
          djnz tw_y
          pop de
          pop bc
          inc d
          inc d
          dec c
          ret z
          dec c
          jr nz,tw_x
          ret

; Line y starts at base + (y >> 3) * 80 + (y & 7) * 2048.
maketable:
          ld hl,linetab
          ld de,(p_base)
          ld c,25
mt_row:   push de
          ld b,8
mt_line:  ld (hl),e
          inc hl
          ld (hl),d
          inc hl
          ld a,d
          add a,8
          ld d,a
          djnz mt_line
          pop de
          ld a,e
          add a,80
          ld e,a
          ld a,d
          adc a,0
          ld d,a
          dec c
          jr nz,mt_row
          ret

cur:      dw 0
left:     dw 0
src:      dw 0
layout:   db 0
prevbox:  db 79,199,0,0         ; empty
linetab:  ds 400
