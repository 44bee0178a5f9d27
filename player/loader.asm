; Volumix disk loader for the Amstrad CPC 6128.
;
; RUN"NAME starts it after a firmware reset, which leaves the disc ROM
; uninitialised: it initialises it again (KL INIT BACK, ROM 7) and checks
; that its work area stays above &A67B. It then reads the run's files as its
; plan says, each either whole (CAS IN DIRECT) or byte by byte into several
; places (CAS IN CHAR). While the firmware is on, nothing is written to
; &0000-&003F nor to &A67C-&BFFF, and only &4000-&BFFF is read, whatever
; ROMs are on: what belongs in the firmware's RAM, or where the loader and
; its disc buffer lie, is held aside and moved after interrupts and both ROMs
; are turned off. Then it sets the CRTC, the inks and the mode, clears what
; the player's memory should hold as zero, and hands over to the player from
; a stub copied into the player's stack space (it is the only place the run
; leaves for it), which moves the last parts over the loader itself.
;
; Like the player, it is assembled at two origins and placed on a 256-byte
; boundary by the program, which appends the plan after the code:
;
;   dw stack top, dw disc buffer (2 KB)
;   files: db kind (0 ends, 1 whole, 2 byte by byte), db name length, name,
;          dw length; whole: db RAM configuration, dw address;
;          byte by byte: db parts, then per part dw length, db config, dw address
;   db mode and ROM byte (&8C + mode), 16 CRTC registers, 17 pens (colour
;   bytes &40 + code, the border last)
;   copies: db config (0 ends), dw length, dw destination, dw source
;           (source 0: fill with zeros)
;   stub: dw its address, db its RAM configuration, db table length, table
;         (dw length, dw destination, dw source ...; dw 0, dw stack top,
;         dw player)

KL_INIT_BACK  equ 0BCCEh
CAS_IN_OPEN   equ 0BC77h
CAS_IN_CLOSE  equ 0BC7Ah
CAS_IN_CHAR   equ 0BC80h
CAS_IN_DIRECT equ 0BC83h
TXT_OUTPUT    equ 0BB5Ah

entry:      jp start
p_stubsize: db stub_end-stub    ; +3 bytes of stub code before its table

start:      ld sp,(plan)
            ld c,7                  ; the disc ROM
            ld de,0040h
            ld hl,0ABFFh
            call KL_INIT_BACK
            ld bc,0A67Bh            ; its work area must end where it does at power-on
            or a
            sbc hl,bc
            jp c,bad_rom
            ld hl,0040h             ; and take nothing from below
            or a
            sbc hl,de
            jp c,bad_rom

            ; A 64K machine shows the same RAM at &4000 under &C0 and &C4.
            ld bc,07FC0h
            out (c),c
            ld hl,4000h
            ld (hl),0
            ld c,0C4h
            out (c),c
            ld (hl),0FFh
            ld c,0C0h
            out (c),c
            ld a,(hl)
            or a
            jp nz,no_128k

            ld hl,(plan+2)
            ld (buffer),hl
            ld hl,plan+4
            ld (cursor),hl

next_file:  ld hl,(cursor)
            ld a,(hl)
            or a
            jp z,loaded
            ld (kind),a
            inc hl
            ld b,(hl)               ; the name's length
            inc hl
            ld (fname),hl
            ld a,b
            ld (fnamelen),a
            ld e,b
            ld d,0
            add hl,de
            ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            ld (expected),de
            ld (cursor),hl
            ld hl,(fname)
            ld de,(buffer)
            call CAS_IN_OPEN
            jp nc,failed
            ld hl,(expected)        ; the file must be the one the plan was made for
            or a
            sbc hl,bc
            jp nz,failed
            ld hl,(cursor)
            ld a,(kind)
            dec a
            jr nz,by_byte

            ld a,(hl)               ; whole: configuration, address
            inc hl
            ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            ld (cursor),hl
            call select
            ex de,hl
            call CAS_IN_DIRECT
            jp nc,failed
            jr close

by_byte:    ld a,(hl)
            inc hl
            ld (parts),a
part:       ld a,(parts)
            or a
            jr z,parts_done
            dec a
            ld (parts),a
            ld c,(hl)
            inc hl
            ld b,(hl)
            inc hl
            ld (count),bc
            ld a,(hl)
            inc hl
            call select
            ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            ld (cursor),hl
            ld (dest),de
char:       call CAS_IN_CHAR
            jp nc,failed
            ld hl,(dest)
            ld (hl),a
            inc hl
            ld (dest),hl
            ld hl,(count)
            dec hl
            ld (count),hl
            ld a,h
            or l
            jr nz,char
            ld hl,(cursor)
            jr part
parts_done: ld (cursor),hl

close:      ld a,0C0h
            call select
            call CAS_IN_CLOSE
            jp next_file

select:     push bc
            ld b,07Fh
            out (c),a
            pop bc
            ret

failed:     ld a,0C0h
            call select
            ld hl,msg_failed
            call print
            ld hl,(fname)
            ld a,(fnamelen)
            ld b,a
failed_ch:  ld a,(hl)
            call TXT_OUTPUT
            inc hl
            djnz failed_ch
            jr stop
bad_rom:    ld hl,msg_rom
            jr message
no_128k:    ld hl,msg_128k
message:    call print
stop:       jr stop                 ; the firmware stays on: the machine can be reset

print:      ld a,(hl)
            or a
            ret z
            call TXT_OUTPUT
            inc hl
            jr print

msg_failed: db "Chargement impossible : ",0
msg_rom:    db "Systeme disque inattendu (memoire)",0
msg_128k:   db "Il faut un CPC de 128 Ko",0

; Everything is in memory: the firmware goes.
loaded:     di
            inc hl
            ld a,(hl)               ; the mode, both ROMs off
            inc hl
            ld b,07Fh
            out (c),a
            ld e,0
crtc:       ld b,0BCh
            out (c),e
            ld a,(hl)
            inc hl
            inc b
            out (c),a
            inc e
            ld a,e
            cp 16
            jr nz,crtc
            ld e,0
pens:       ld b,07Fh
            out (c),e               ; pen 16 is the border
            ld a,(hl)
            inc hl
            out (c),a
            inc e
            ld a,e
            cp 17
            jr nz,pens

copies:     ld a,(hl)
            or a
            jr z,copied
            inc hl
            ld b,07Fh
            out (c),a
            ld c,(hl)
            inc hl
            ld b,(hl)
            inc hl
            ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            push hl
            ld a,(hl)
            inc hl
            ld h,(hl)
            ld l,a
            or h
            jr nz,copy
            ld h,d                  ; a fill: the first byte, then onwards
            ld l,e
            ld (hl),a
            inc de
            dec bc
            ld a,b
            or c
            jr z,copy_done
copy:       ldir
copy_done:  pop hl
            inc hl
            inc hl
            jr copies

copied:     ld bc,07FC0h            ; the stub's room is in main memory
            out (c),c
            inc hl
            ld e,(hl)
            inc hl
            ld d,(hl)
            inc hl
            ld (stubat),de
            ld a,(hl)
            inc hl
            ld (stubcfg),a
            ld c,(hl)
            inc hl
            ld b,0
            push bc
            push hl
            ld hl,stub
            ld bc,stub_end-stub
            ldir
            pop hl
            pop bc
            push de
            ldir                    ; its table follows its code
            pop hl
            ld a,(stubcfg)
            ld b,07Fh
            out (c),a
            ld sp,hl
            ld hl,(stubat)
            jp (hl)

; Runs in the player's stack space, from there on reading its table with
; the stack pointer. Position-independent.
stub:       pop bc
            ld a,b
            or c
            jr z,stub_go
            pop de
            pop hl
            ld a,h
            or l
            jr nz,stub_copy
            ld h,d
            ld l,e
            ld (hl),a
            inc de
            dec bc
            ld a,b
            or c
            jr z,stub
stub_copy:  ldir
            jr stub
stub_go:    ld bc,07FC0h
            out (c),c
            pop hl                  ; the player's stack top
            pop de                  ; the player
            ld sp,hl
            ex de,hl
            jp (hl)
stub_end:

buffer:     dw 0
cursor:     dw 0
fname:      dw 0
fnamelen:   db 0
kind:       db 0
expected:   dw 0
parts:      db 0
count:      dw 0
dest:       dw 0
stubat:     dw 0
stubcfg:    db 0

plan:
