! Deliberately broken, to show how the output window jumps to errors:
! an undeclared variable and a character value given to a real.
program broken
  implicit none
  real :: total
  integer :: i

  total = 0
  do i = 1, 10
    total = total + i
  end do
  average = total / 10
  total = 'ten'
  print *, total
end program broken
