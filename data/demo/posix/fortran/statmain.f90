! statmain: reads numbers, one to a line, from standard input (or the
! file named as the first argument) and prints their summary.
program statmain
  use stats
  implicit none
  integer, parameter :: max_values = 10000
  real(dp) :: values(max_values)
  type(summary) :: s
  character(len=256) :: path
  integer :: unit, status, n

  unit = 5
  if (command_argument_count() >= 1) then
    call get_command_argument(1, path)
    open (newunit=unit, file=trim(path), status='old', action='read', iostat=status)
    if (status /= 0) then
      write (0, '(a)') 'statmain: cannot open ' // trim(path)
      stop 2
    end if
  end if

  n = 0
  do while (n < max_values)
    read (unit, *, iostat=status) values(n + 1)
    if (status /= 0) exit
    n = n + 1
  end do

  s = summarise(values(:n))
  if (s%count == 0) then
    write (0, '(a)') 'statmain: no values read'
    stop 1
  end if
  write (*, '(a, i12)') 'values  ', s%count
  write (*, '(a, f12.4)') 'mean    ', s%mean
  write (*, '(a, f12.4)') 'stddev  ', s%deviation
  write (*, '(a, f12.4)') 'median  ', median(values(:n))
  write (*, '(a, f12.4)') 'min     ', s%minimum
  write (*, '(a, f12.4)') 'max     ', s%maximum
end program statmain
