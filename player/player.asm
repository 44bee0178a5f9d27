; Volumix animation player for the Amstrad CPC 6128.
;
; Plays the frames of a run from its data and index as they lie in memory and
; loops from the last frame back to frame 0. Index entries are 3 bytes: the
; frame's address, then its bank (0 or 8: main memory, 4 to 7: that page
; selected at &4000 through the gate array). A frame's length is where the
; next entry of the same bank starts, or that bank's end (p_ends).
;
; Frame k starts at vertical sync k * p_rate, whatever the frames before it
; cost: a frame that overruns its slot makes the next one start at once, late,
; and the schedule is kept. Interrupts stay off, so the player counts the
; syncs itself: it samples PPI port B less than 512 us apart (a sync lasts 8
; lines) whenever a sync may start during a frame. A delta frame that started
; on time and is short enough to end before the next sync is played without
; sampling.
;
; Deltas and sprite columns are read with the stack pointer (nothing else
; pushes while it points at data). Registers kept throughout:
; B' = &F5 (PPI port B), D' bit 0 = the last sampled sync level, E' = syncs
; still to wait before the next frame may start (negative: it is late).
;
; The code is assembled without an ORG of its own: the build assembles it at
; two origins, and the program that places it moves the high bytes that
; differ. It must stay on a 256-byte boundary and is given its parameters in
; the block below; the build checks their offsets against player_binary.h.

; Samples the sync (alternate registers selected; uses A). Counts a rising
; edge into E'.
SYNCPOLL  MACRO
          LOCAL same
          in a,(c)
          xor d
          rra
          jr nc,same            ; the level did not change
          ld a,d
          cpl
          ld d,a
          rra
          jr nc,same            ; the sync ended
          dec e                 ; a sync started
same:
          ENDM

entry:    jp start

p_index:  dw 0          ; +3  first index entry
p_frames: dw 0          ; +5  entries in the index
p_base:   dw 0C000h     ; +7  screen base address
p_kind:   db 0          ; +9  0 delta, 1 compressed delta, 2 sprite lines,
                        ;     3 sprite one column, 4 sprite two columns
p_stack:  dw 0          ; +10 stack top
p_go:     dw go         ; +12 where a frame's work starts (for the verifier)
p_wait:   dw frame      ; +14 where it ends
p_rate:   db 1          ; +16 vertical syncs per frame, 1 to 50
p_ends:   dw 0,0,0,0,0  ; +17 end of the data in banks 4, 5, 6, 7, then in
                        ;     main memory (bank 0 or 8)
p_second: dw 0          ; +27 double buffering: the second screen's address
p_double: db 0          ; +29 1: frame k is drawn on screen k mod 2 (p_base,
                        ;     p_second) and shown at the next vertical sync
p_show:   dw show       ; +30 where a double-buffered frame's work ends

start:    di
          ld sp,(p_stack)
          ld bc,07FC0h
          out (c),c             ; main memory
          ld a,(p_base+1)
          and 0C0h
          ld (la_base+1),a
          ; Compressed groups keep 4 - n in the top bits of their high byte:
          ; one XOR per group size gives the base's bits instead.
          ld (k0e+1),a
          ld (k0o+1),a
          xor 040h
          ld (k1e+1),a
          ld (k1o+1),a
          xor 0C0h
          ld (k2e+1),a
          ld (k2o+1),a
          xor 040h
          ld (k3e+1),a
          ld (k3o+1),a
          or a                  ; one value needs no change: skip the XOR
          jr nz,st_1
          ld hl,E_1z
          ld (E_jm+1),hl
          ld hl,O_1z
          ld (O_jm+1),hl
st_1:     ld a,(p_kind)
          ld hl,plain
          or a
          jr z,st_2
          ld hl,packed
          dec a
          jr z,st_2
          ld hl,sprite
st_2:     ld (go_call+1),hl
          exx
          ld b,0F5h
          ld de,0FF01h          ; as if in a sync: wait for the next start
          exx
          ld a,(p_double)
          or a
          jr z,again
          ld hl,(p_frames)
          ld a,h
          or l
          jr z,again
          ; Double buffering: the start screen is copied to the second
          ; screen, which is shown from the sync that starts frame 0 while
          ; frame 0 is drawn on the base screen.
          ld hl,show            ; each frame goes through show
          ld (fr_next+1),hl
          ld (fr_loop+1),hl
          xor a
          call setscr
          ld a,(p_base+1)
          and 0C0h
          ld h,a
          ld l,0
          ld a,(p_second+1)
          and 0C0h
          ld d,a
          ld e,0
          ld bc,04000h
          ldir
          ld hl,(p_index)
          ld (cur),hl
          ld hl,(p_frames)
          ld (left),hl
          ld a,(p_second+1)
          and 0C0h
          rrca
          rrca
          ld e,a                ; its R12
          jp sh_go

again:    ld hl,(p_index)
          ld (cur),hl
          ld hl,(p_frames)
          ld (left),hl
          ld a,h
          or l
idle:     jr z,idle             ; nothing to play

; Waits for the frame's sync unless it has passed already.
frame:    exx
frame1:   ld a,e
          dec a
          jp m,late
wait:     in a,(c)
          xor d
          rra
          jr nc,wait
          ld a,d
          cpl
          ld d,a
          rra
          jr nc,wait
          dec e
          jr nz,wait
          ld a,1                ; on time: at the start of a sync
          jr sched
late:     bit 7,e               ; a debt of more than 64 syncs is cut to 64
          jr z,late2
          ld a,e
          cp 0C0h
          jr nc,late2
          ld e,0C0h
late2:    exx
          call spoll
          exx
          xor a
sched:    ld (ontime),a
          ld a,(p_rate)
          add a,e
          ld e,a
          exx

go:       ld hl,(cur)
          ld e,(hl)
          inc hl
          ld d,(hl)             ; de = the frame's data
          inc hl
          ld c,(hl)             ; c = its bank
          inc hl
          ld (cur),hl
          ld hl,(left)
          dec hl
          ld (left),hl
          ld a,h
          or l
          jr z,bankend          ; the last entry
          ld hl,(cur)
          inc hl
          inc hl
          ld a,c
          cp (hl)
          jr nz,bankend         ; the next frame lies in another bank
          dec hl
          ld a,(hl)
          dec hl
          ld l,(hl)
          ld h,a
          jr length
bankend:  ld a,c
          sub 4
          and 7
          add a,a
          add a,low(p_ends)
          ld l,a
          ld h,high(p_ends)
          ld a,(hl)
          inc hl
          ld h,(hl)
          ld l,a
length:   or a
          sbc hl,de
          push hl
          ld a,c
          cp 4                  ; banks 4..7: configurations C4..C7
          jr c,mainmem
          cp 8
          jr nc,mainmem
          add a,0C0h
          jr select
mainmem:  ld a,0C0h
select:   ld b,07Fh
          out (c),a
          pop bc                ; bc = the frame's length
          ex de,hl              ; hl = its data
go_call:  call plain            ; the kind's player
          ld bc,07FC0h
          out (c),c
          ld hl,(left)
          ld a,h
          or l
fr_next:  jp nz,frame           ; or show
fr_loop:  jp again              ; or show

; Double buffering. The frame just drawn lies on the hidden screen; the next
; one is prepared for the other screen, then the CRTC is given the drawn
; screen's address (R12) during the next vertical sync, or at once when one is
; under way: it takes it at the start of the next picture, 72 lines after the
; sync starts, so no frame is seen half drawn. The sync that shows it is
; counted here, and may be the one that starts the next frame.
show:     ld a,(scrno)
          xor 1
          ld c,a                ; the other screen
          ld hl,(left)
          ld a,h
          or l
          ld a,c
          jr nz,sh_0
          ld hl,(p_index)       ; after the last frame: the loop, from frame 0
          ld (cur),hl           ; on the base screen
          ld hl,(p_frames)
          ld (left),hl
          xor a
sh_0:     ld hl,drawr12
          ld e,(hl)             ; the drawn screen's R12
          push de
          call setscr
          pop de
sh_go:    ld a,e
          exx
          ld l,a
sh_w:     in a,(c)
          rra
          jr c,sh_in
          ld d,0                ; out of a sync: its start is still to count
          jr sh_w
sh_in:    ld bc,0BC0Ch
          out (c),c
          inc b
          out (c),l             ; R12: the drawn screen
          ld b,0F5h
          ld a,d
          or a
          jp nz,frame1          ; counted already: the frame ended in it
          dec d
          dec e
          jp z,sh_now           ; the next frame's sync: it starts now
          jp p,wait
          jp late
sh_now:   ld a,1
          jp sched

; Prepares the next frame for screen a (0: p_base, 1: p_second): the base
; bits of compressed groups and sprite lines, the R12 value that shows it,
; and the previous sprite box of that screen.
setscr:   ld (scrno),a
          ld hl,(boxslot)       ; keep the other screen's box
          ex de,hl
          ld hl,prevbox
          ld bc,4
          ldir
          ld hl,box0
          or a
          jr z,ss_0
          ld hl,box1
ss_0:     ld (boxslot),hl
          ld de,prevbox
          ld bc,4
          ldir
          ld hl,(p_base)
          or a
          jr z,ss_1
          ld hl,(p_second)
ss_1:     ld a,h
          and 0C0h
          ld (la_base+1),a
          ld (k0e+1),a
          ld (k0o+1),a
          ld c,a
          rrca
          rrca
          ld (drawr12),a        ; bits 5-4: the 16 KB page
          ld a,c
          xor 040h
          ld (k1e+1),a
          ld (k1o+1),a
          xor 0C0h
          ld (k2e+1),a
          ld (k2o+1),a
          xor 040h
          ld (k3e+1),a
          ld (k3o+1),a
          ld hl,E_1
          ld de,O_1
          or a                  ; base &C000: one value needs no change
          jr nz,ss_2
          ld hl,E_1z
          ld de,O_1z
ss_2:     ld (E_jm+1),hl
          ld (O_jm+1),de
          ret

; Screen delta: address (2 bytes), value per change, then 00 00. The count
; comes from the length, so a change at offset 0 with base &0000 (00 00 v)
; is played like any other. Two changes are read with three POPs.
plain:    ld (savesp),sp
          ld sp,hl
          ld h,b
          ld l,c
          dec hl
          dec hl                ; 3n
          ld b,h
          ld c,l
          add hl,hl
          ld d,h
          ld e,l
          add hl,hl
          add hl,hl
          add hl,de
          add hl,hl
          add hl,hl
          add hl,de
          add hl,hl
          add hl,hl
          add hl,de             ; 3n * 2 * 055h
          ld a,h
          add a,l
          ld h,a                ; * 0101h
          add hl,bc             ; n = 3n * 0AAABh, 3's inverse mod 65536
          ld de,pl_blk          ; short frames started on time: no sampling
          ld a,h
          cp 9
          jr nc,pl_slow
          ld a,(ontime)
          or a
          jr nz,pl_set
pl_slow:  ld de,pl_poll
pl_set:   ld (pl_jp+1),de
          srl h
          rr l                  ; hl = pairs of changes
          jr nc,pl_pairs
          pop bc                ; one change alone
          pop de
          ld a,e
          ld (bc),a
          dec sp
pl_pairs: ld a,h
          or l
          jp z,pl_end
          ld a,l
          neg
          and 7
          ld e,a
          add a,a
          add a,a
          add a,a
          sub e
          ld e,a
          ld d,0                ; 7 bytes per pair left out of the first pass
          dec hl
          ld a,l
          srl h
          rra
          srl h
          rra
          srl h
          rra
          ld c,a
          ld a,h
          ld (pl_hi),a          ; passes - 1 = pl_hi * 256 + c
          ld a,c
          inc a
          ld hl,pl_blk
          add hl,de
          jp (hl)
pl_blk:   REPT 8
          pop hl
          pop de
          ld (hl),e
          pop bc
          ld l,d
          ld h,c
          ld (hl),b
          ENDM
          dec a
pl_jp:    jp nz,pl_blk          ; or pl_poll
          ld hl,pl_hi
          dec (hl)
          jp m,pl_end
          ld hl,(pl_jp+1)
          jp (hl)
pl_end:   ld sp,(savesp)
          ret
pl_poll:  ex af,af'
          exx
          SYNCPOLL
          exx
          ex af,af'
          jp pl_blk

; Compressed delta: low byte, then bits 8-13 with 4 - n in the top bits,
; then n values; 00 00 ends, except as the frame's first group when more
; follows (a group of four at offset 0). Read with POPs: a group that starts
; on an odd byte has its low byte in D already (O_head), else E_head.
packed:   ld ix,E_head
          ld iy,O_head
          ld a,b
          cp 0Ah
          jr nc,pk_slow
          ld a,(ontime)
          or a
          jr nz,pk_fast
pk_slow:  ld ix,E_poll
          ld iy,O_poll
          exx
          ld c,1
          exx
pk_fast:  ld (savesp),sp
          ld e,(hl)
          inc hl
          ld d,(hl)
          inc hl
          ld sp,hl
          ex de,hl
          ld a,h
          or l
          jr nz,E_first
          ld a,b
          or a
          jr nz,e4body
          ld a,c
          cp 3
          jr nc,e4body
pk_end:   ld sp,(savesp)
          ret

E_poll:   exx                   ; slow: every 8 groups, a sample
          dec c
          exx
          jp nz,E_head
          exx
          ld c,8
          SYNCPOLL
          exx
E_head:   pop hl                ; l = low byte, h = high byte with 4 - n
E_first:  ld a,h
          add a,a
          jr nc,E_34
E_jm:     jp m,E_1
          ld a,h                ; two values
k2e:      xor 0
          ld h,a
          pop de
          ld (hl),e
          inc hl
          ld (hl),d
          jp (ix)
E_1:      ld a,h                ; one value
k3e:      xor 0
          ld h,a
E_1z:     pop de                ; e = the value, d = next group's low byte
          ld (hl),e
          jp (iy)
E_34:     jp m,E_3
          or l
          jr z,pk_end           ; 00 00: the end
e4body:   ld a,h
k0e:      xor 0
          ld h,a
          pop de
          pop bc
          ld (hl),e
          inc hl
          ld (hl),d
          inc hl
          ld (hl),c
          inc hl
          ld (hl),b
          jp (ix)
E_3:      ld a,h
k1e:      xor 0
          ld h,a
          pop bc
          pop de                ; e = third value, d = next group's low byte
          ld (hl),c
          inc hl
          ld (hl),b
          inc hl
          ld (hl),e
          jp (iy)

O_poll:   exx
          dec c
          exx
          jp nz,O_head
          exx
          ld c,8
          SYNCPOLL
          exx
O_head:   pop bc                ; c = high byte with 4 - n, b = first value
          ld a,c
          add a,a
          jr nc,O_34
O_jm:     jp m,O_1
          ld a,c                ; two values
k2o:      xor 0
          ld h,a
          ld l,d
          ld (hl),b
          inc hl
          pop de
          ld (hl),e
          jp (iy)
O_1:      ld a,c                ; one value
k3o:      xor 0
          ld h,a
          ld l,d
          ld (hl),b
          jp (ix)
O_1z:     ld h,c
          ld l,d
          ld (hl),b
          jp (ix)
O_34:     jp m,O_3
          or d
          jp z,pk_end
          ld a,c
k0o:      xor 0
          ld h,a
          ld l,d
          ld (hl),b
          inc hl
          pop de
          ld (hl),e
          inc hl
          ld (hl),d
          inc hl
          pop de
          ld (hl),e
          jp (iy)
O_3:      ld a,c
k1o:      xor 0
          ld h,a
          ld l,d
          ld (hl),b
          inc hl
          pop de
          ld (hl),e
          inc hl
          ld (hl),d
          jp (ix)

; Sprite block: XD, YD, XA, YA, then the box's bytes. What the previous box
; covered outside the new one is cleared; the new box is drawn whole. The
; sync is sampled at every line or character row, and between the parts.
sprite:   ld de,newbox
          ld bc,4
          ldir
          ld (spsrc),hl
          call spoll
          call erase
          ld hl,newbox
          ld de,prevbox
          ld bc,4
          ldir
          ld hl,newbox
          call readbox          ; c = XD, b = YD, d = width, e = height
          ret c                 ; empty box
          ld a,(p_kind)
          cp 3
          jp nc,sp_cols

; Lines: each line's bytes with LDIs, 16 a loop; the line's start is found
; again from where the LDIs left off.
          ld a,d
          ld (ln_bc+1),a
          ld (ln_w+1),a
          neg
          and 15
          add a,a
          ld hl,ldchain
          add a,l
          ld l,a
          jr nc,ln_1
          inc h
ln_1:     ld (ln_jp+1),hl
          ld a,e
          exx
          ld c,a                ; lines
          exx
          ld a,b
          call lineaddr
          ex de,hl
          call spoll
          ld hl,(spsrc)
ln_bc:    ld bc,0
ln_jp:    jp ldchain
ldchain:  REPT 16
          ldi
          ENDM
          jp pe,ldchain
          ld a,e                ; back to the line's start, then 8 lines on
ln_w:     sub 0
          ld e,a
          ld a,d
          sbc a,0F8h
          ld d,a
          and 038h
          jr nz,ln_2
          ld a,e
          add a,050h
          ld e,a
          ld a,d
          adc a,0C0h
          ld d,a
ln_2:     exx
          SYNCPOLL
          dec c
          exx
          jp nz,ln_bc
          ret
spoll:    exx
          SYNCPOLL
          exx
          ret

; One or two columns: each column (pair) down the box, read with POPs. A
; chain writes the 8 lines of a character row (+&800 each) and ends at wrap,
; which steps to the next row. For one column a POP holds two lines' bytes,
; and which lines pop depends on where the column starts in the data: chain
; A pops on even lines, chain B on odd ones. The box's first row is entered
; at its first line; its last row at the step that makes the chain end on
; the box's last line.
sp_cols:  ld a,b
          call lineaddr
          ld (colstart),hl
          call spoll
          ld hl,(newbox)        ; l = XD, h = YD
          ld de,(newbox+2)      ; e = XA, d = YA
          ld a,e
          sub l
          inc a
          ld c,a                ; width
          ld a,h
          and 1
          ld (colpar),a         ; the first column's
          ld a,d
          sub h                 ; an odd height changes the chain each column
          and 1
          ld a,cl_swap-cl_sw-2
          jr z,cl_0
          xor a
cl_0:     ld (cl_sw+1),a
          xor a                 ; nop
          ld (cl_step),a
          ld a,(p_kind)
          cp 4
          ld a,c
          jr nz,cl_1
          xor a                 ; two columns: one chain, no alternation
          ld (colpar),a
          ld (cl_sw+1),a
          ld a,023h             ; inc hl
          ld (cl_step),a
          ld a,c
          inc a
          srl a
cl_1:     ld (colsleft),a
          ld a,h
          and 0F8h
          ld b,a
          ld a,d
          and 0F8h
          sub b
          rrca
          rrca
          rrca
          ld (cl_rows+1),a      ; rows - 1
          ld c,a
          ld a,d
          cpl
          and 7
          ld (lastst),a         ; 7 - (YA & 7)
          ld b,a
          ld a,h
          and 7
          ld (firstln),a        ; YD & 7
          inc c
          dec c
          jr nz,cl_2
          add a,b               ; one row: from YD & 7 to YA & 7
cl_2:     ld (firstst),a
          ld ix,entries
          ld d,0
cl_3:     ld a,(firstln)
          ld e,a
          ld a,(firstst)
          call centry
          ld (ix+0),l
          ld (ix+1),h
          ld e,0
          ld a,(lastst)
          call centry
          ld (ix+2),l
          ld (ix+3),h
          xor a
          call centry
          ld (ix+4),l
          ld (ix+5),h
          ld bc,6
          add ix,bc
          inc d
          bit 1,d
          jr z,cl_3
          call spoll
          ld a,(colsleft)
          exx
          ld h,a                ; h' = columns left
          exx
          ld hl,colpar          ; cl_swap turns it back to the first column's
          ld a,(hl)
          xor 1
          ld (hl),a
          ld (savesp),sp
          ld sp,(spsrc)
          ld de,0800h
          jr cl_swap

colend:   exx
          dec h
          exx
          jr z,cl_done
          ld hl,(colstart)
          inc hl
cl_step:  nop                   ; inc hl for pairs of columns
          ld (colstart),hl
cl_sw:    jr cl_go              ; jr cl_swap: an odd height alternates chains
cl_go:    exx
cl_rows:  ld c,0                ; rows after the first
          exx
cl_jp:    jp 0                  ; the first row's entry
cl_swap:  ld a,(colpar)         ; (b holds the next column's first byte)
          xor 1
          ld (colpar),a
          jr nz,cs_1
          ld hl,(entries)
          ld iy,(entries+2)
          ld ix,(entries+4)
          jr cs_2
cs_1:     ld hl,(entries+6)
          ld iy,(entries+8)
          ld ix,(entries+10)
cs_2:     ld (cl_jp+1),hl
          ld hl,(colstart)
          jr cl_go
cl_done:  ld sp,(savesp)
          ret

; From a row's last line to the next row's first: +&50 - &3800.
wrap:     ld a,l
          add a,050h
          ld l,a
          ld a,h
          adc a,0C8h
          ld h,a
          exx
          SYNCPOLL
          dec c
          exx
          jp m,colend           ; the column's last row is drawn
          jr z,wr_last
          jp (ix)
wr_last:  jp (iy)

chainA:   pop bc
          ld (hl),c
          add hl,de
          ld (hl),b
          add hl,de
          pop bc
          ld (hl),c
          add hl,de
          ld (hl),b
          add hl,de
          pop bc
          ld (hl),c
          add hl,de
          ld (hl),b
          add hl,de
          pop bc
          ld (hl),c
          add hl,de
          ld (hl),b
          jp wrap
chainB:   ld (hl),b
          add hl,de
          pop bc
          ld (hl),c
          add hl,de
          ld (hl),b
          add hl,de
          pop bc
          ld (hl),c
          add hl,de
          ld (hl),b
          add hl,de
          pop bc
          ld (hl),c
          add hl,de
          ld (hl),b
          add hl,de
          pop bc
          ld (hl),c
          jp wrap
chain2:   REPT 7
          pop bc
          ld (hl),c
          inc hl
          ld (hl),b
          dec hl
          add hl,de
          ENDM
          pop bc
          ld (hl),c
          inc hl
          ld (hl),b
          dec hl
          jp wrap

; hl = the chain address that draws line e of a row first when entered at
; step a (0..7), for a column whose raster 0 pops at parity d. Keeps de.
centry:   ld c,a
          ld a,(p_kind)
          cp 4
          ld a,c
          jr nz,ce_1
          add a,a
          add a,c
          add a,a               ; 6 bytes a step
          ld hl,chain2
          jr ce_add
ce_1:     add a,e
          add a,d
          and 1                 ; chain B when the step's parity differs
          ld b,a
          ld a,c
          add a,a
          add a,a
          add a,c
          inc a
          sub b
          srl a                 ; A: ceil(5s / 2), B: floor(5s / 2)
          ld hl,chainA
          dec b
          jr nz,ce_add
          ld hl,chainB
ce_add:   add a,l
          ld l,a
          ret nc
          inc h
          ret

; Clears what the previous box covered outside the new one: the lines above
; and below it, then the columns left and right of it on the common lines.
erase:    ld hl,prevbox
          call readbox
          ret c
          ld hl,newbox
          call readbox
          ld bc,(prevbox)       ; c = x0, b = y0
          ld de,(prevbox+2)     ; e = x1, d = y1
          jr c,clearrect        ; no new box: all of it
          ld a,(newbox+1)
          cp b
          jr c,er_1
          jr z,er_1
          dec a
          cp d
          jr nc,er_0
          ld d,a
er_0:     call clearrect
er_1:     ld bc,(prevbox)
          ld de,(prevbox+2)
          ld a,(newbox+3)
          cp d
          jr nc,er_2
          inc a
          cp b
          jr c,er_10
          ld b,a
er_10:    call clearrect
er_2:     ld bc,(prevbox)
          ld de,(prevbox+2)
          ld a,(newbox+1)
          cp b
          jr c,er_3
          ld b,a
er_3:     ld a,(newbox+3)
          cp d
          jr nc,er_4
          ld d,a
er_4:     push bc
          push de
          ld a,(newbox)
          cp c
          jr c,er_5
          jr z,er_5
          dec a
          cp e
          jr nc,er_40
          ld e,a
er_40:    call clearrect
er_5:     pop de
          pop bc
          ld a,(newbox+2)
          cp e
          ret nc
          inc a
          cp c
          jr c,clearrect
          ld c,a
; Clears columns c..e of lines b..d: line by line, 4 bytes a pass, or
; down each column when it is narrow.
clearrect:
          ld a,d
          sub b
          ret c
          inc a
          ld d,a                ; lines
          ld a,e
          sub c
          ret c
          inc a
          ld e,a                ; bytes a line
          cp 4
          jr c,cr_cols
          dec a
          rrca
          rrca
          and 03Fh
          inc a
          ld (cr_b+1),a
          ld a,e
          neg
          and 3
          add a,a
          ld (cr_jr+1),a
          ld a,b
          push de
          call lineaddr
          pop de
          ld c,0
cr_line:  call spoll
          push hl
cr_b:     ld b,0
cr_jr:    jr cr_blk
cr_blk:   ld (hl),c
          inc hl
          ld (hl),c
          inc hl
          ld (hl),c
          inc hl
          ld (hl),c
          inc hl
          djnz cr_blk
          pop hl
          ld a,h
          add a,8
          ld h,a
          and 038h
          jr nz,cr_1
          ld a,l
          add a,050h
          ld l,a
          ld a,h
          adc a,0C0h
          ld h,a
cr_1:     dec d
          jr nz,cr_line
          jp spoll
cr_cols:  ld a,b
          push de
          call lineaddr
          pop de
          ld c,0
cc_col:   push hl
          ld b,d
cc_line:  ld (hl),c
          ld a,h
          add a,8
          ld h,a
          and 038h
          jr nz,cc_1
          ld a,l
          add a,050h
          ld l,a
          ld a,h
          adc a,0C0h
          ld h,a
          call spoll
cc_1:     djnz cc_line
          pop hl
          inc hl
          call spoll
          dec e
          jr nz,cc_col
          ret

; Reads XD, YD, XA, YA at hl: c = XD, b = YD, d = width, e = height; carry
; set when the box is empty.
readbox:  ld c,(hl)
          inc hl
          ld b,(hl)
          inc hl
          ld a,(hl)
          sub c
          ret c
          inc a
          ld d,a
          inc hl
          ld a,(hl)
          sub b
          ret c
          inc a
          ld e,a
          ret

; hl = screen address of byte column c on line a: the base
; + (a >> 3) * 80 + (a & 7) * 2048 + c. Uses de.
lineaddr: ld e,a
          and 0F8h
          ld l,a
          ld h,0
          add hl,hl             ; 16 * row
          ld d,h
          ld a,l
          add hl,hl
          add hl,hl
          add a,l
          ld l,a
          ld a,d
          adc a,h
          ld h,a                ; 80 * row
          ld a,e
          and 7
          add a,a
          add a,a
          add a,a
la_base:  add a,0
          add a,h
          ld h,a
          ld a,l
          add a,c
          ld l,a
          ret nc
          inc h
          ret

cur:      dw 0
left:     dw 0
savesp:   dw 0
pl_hi:    db 0
ontime:   db 0
spsrc:    dw 0
colstart: dw 0
colpar:   db 0
colsleft: db 0
firstln:  db 0
firstst:  db 0
lastst:   db 0
entries:  ds 12                 ; parity 0, then 1: first row, last row, full row
prevbox:  db 79,199,0,0         ; empty
newbox:   db 0,0,0,0
scrno:    db 0                  ; double buffering: the screen being drawn
drawr12:  db 0                  ; its R12
boxslot:  dw box0               ; where prevbox belongs
box0:     db 79,199,0,0         ; each screen's previous box
box1:     db 79,199,0,0
